#pragma once

#include <deque>

#include <QString>
#include <QStringList>

#include "platform/MessageBox.h"

// Stands in for the message box while it lives: records every text shown and
// answers from a script (IDOK, or the button's "yes" answer, when the script
// is empty).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void answerNext(int answer) { m_answers.push_back(answer); }
    const QStringList& texts() const { return m_texts; }
    QString last() const { return m_texts.isEmpty() ? QString() : m_texts.last(); }
    void clear() { m_texts.clear(); }

private:
    QStringList m_texts;
    std::deque<int> m_answers;
    platform::MessageBoxHandler m_previous;
};
