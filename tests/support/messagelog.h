#pragma once

#include "ui/messages.h"

#include <QList>
#include <QStringList>

namespace mss::test {

// Answers every message box with one button and keeps what was shown, for as long as it lives;
// then the real boxes are back.
class MessageLog {
public:
    explicit MessageLog(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~MessageLog();
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    QList<ui::Messages::Shown> shown;
    QStringList texts() const;
};

} // namespace mss::test
