#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;
class QTreeView;

namespace Ui {
class frmDischargeNotice;
}
namespace mss::data {
class Connection;
}

namespace mss::notices {

class NoticeListModel;

// The discharge notices, cleared or not. Selecting one (Select or a double click) closes the
// list with IDNUM naming the admission; whoever opened the list then opens its clearance.
class frmDischargeNotice final : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString IDNUM READ IDNUM)
    Q_PROPERTY(bool Valid READ Valid)

public:
    explicit frmDischargeNotice(data::Connection *connection, QWidget *parent = nullptr);
    ~frmDischargeNotice() override;

    QString IDNUM() const { return m_idNum; }
    bool Valid() const { return m_valid; }

    void load();
    void select();
    NoticeListModel *model() const { return m_model; }

    QLabel *lblHeading = nullptr;
    QTreeView *lvwRequest = nullptr;
    QPushButton *cmdSelect = nullptr;
    QPushButton *cmdClose = nullptr;
    QLabel *imgClear = nullptr;
    QLabel *imgOpen = nullptr;

    static constexpr int kAdmissionColumn = 2;

private:
    std::unique_ptr<Ui::frmDischargeNotice> m_ui;
    data::Connection *m_connection;
    NoticeListModel *m_model;
    QString m_idNum;
    bool m_valid = false;
};

} // namespace mss::notices
