#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// What the explanation panel shows for one command: a title, an example of
// the module's answer (may be empty) and what the answer means. The texts
// are the untranslated originals; text() looks them up for the user.
struct AtCommandText
{
    const char *title;
    const char *example;
    const char *explanation;
};

// One entry of the GSM tab's command catalogue. `key` is the object name of
// the button that runs it. A one-click command carries its fixed bytes; an
// entry whose bytes are built from the user's input (dialling, SMS, GPRS
// links) carries none.
struct AtCatalogueEntry
{
    const char *key;
    QByteArray command;
    AtCommandText text;
};

// Every entry, one-click commands first, in the order of the buttons.
const QVector<AtCatalogueEntry> &atCatalogue();

// The entry with this key; the key must exist.
const AtCatalogueEntry &atCatalogueEntry(const char *key);

// The looked-up text for the user.
QString atText(const char *text);
