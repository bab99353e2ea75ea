#pragma once

#include <QByteArray>

// Watches the module's replies for the prompt "> " it gives when it is
// ready for a message's body. The prompt counts only at the start of a line
// (or first thing after reset()), so an echoed command holding "> " does not
// pass for it; it may come split across reads. Keeps two flags, whatever
// arrives.
class PromptScanner
{
public:
    // Looks for a new prompt from here on.
    void reset();
    // True once the prompt has arrived, in these bytes or before.
    bool feed(const QByteArray &bytes);
    bool found() const { return m_found; }

private:
    bool m_lineStart = true;
    bool m_sawMark = false;
    bool m_found = false;
};
