#include "promptscanner.h"

void PromptScanner::reset()
{
    *this = PromptScanner();
}

bool PromptScanner::feed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (m_found)
            break;
        m_found = m_sawMark && c == ' ';
        m_sawMark = m_lineStart && c == '>';
        m_lineStart = c == '\r' || c == '\n';
    }
    return m_found;
}
