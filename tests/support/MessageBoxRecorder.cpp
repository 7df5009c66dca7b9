#include "support/MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    m_previous = platform::SetMessageBoxHandler([this](const QString& text, const QString&, unsigned type) {
        m_texts << text;
        if (!m_answers.empty()) {
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return (type & MB_TYPEMASK) == MB_YESNO ? int(IDYES) : int(IDOK);
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    platform::SetMessageBoxHandler(std::move(m_previous));
}
