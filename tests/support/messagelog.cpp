#include "support/messagelog.h"

namespace mss::test {

MessageLog::MessageLog(QMessageBox::StandardButton answer)
{
    ui::Messages::setBoxHandler([this, answer](const ui::Messages::Shown &box) {
        shown.append(box);
        return answer;
    });
}

MessageLog::~MessageLog()
{
    ui::Messages::setBoxHandler(nullptr);
}

QStringList MessageLog::texts() const
{
    QStringList result;
    for (const ui::Messages::Shown &box : shown)
        result.append(box.text);
    return result;
}

} // namespace mss::test
