#include "notices/frmdischargenotice.h"

#include "data/connection.h"
#include "domain/dischargerecord.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui_frmdischargenotice.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

namespace mss::notices {

namespace {

QList<NoticeColumn> dischargeColumns()
{
    return { { QStringLiteral("Patient"), QStringLiteral("PatientName"), false, 3400 },
        { QStringLiteral("Room"), QStringLiteral("RoomID"), false, 900 },
        { QStringLiteral("Adm. #"), QStringLiteral("IDNUM"), false, 1300 },
        { QStringLiteral("Discharge Nurse"), QStringLiteral("DischargeNurse"), false, 2600 },
        { QStringLiteral("Notice Time"), QStringLiteral("NoticeDate"), true, 2400 } };
}

// The legend's pictures are the list's own, at the size the list draws them.
void showLegendPicture(QLabel *picture, const QString &icon)
{
    picture->setPixmap(QIcon(QStringLiteral(":/icons/") + icon + QStringLiteral(".svg")).pixmap(16, 16));
}

} // namespace

frmDischargeNotice::frmDischargeNotice(data::Connection *connection, QWidget *parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::frmDischargeNotice>()),
      m_connection(connection),
      m_model(new NoticeListModel(dischargeColumns(), QStringLiteral("ClearDate"), &dischargeIconKey, this))
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/discharge.svg")));
    lblHeading = m_ui->lblHeading;
    lvwRequest = m_ui->lvwRequest;
    cmdSelect = m_ui->cmdSelect;
    cmdClose = m_ui->cmdClose;
    imgClear = m_ui->imgClear;
    imgOpen = m_ui->imgOpen;
    emphasizeHeading(lblHeading);
    attachNoticeModel(lvwRequest, m_model);
    // Hidden by the form until the list is read.
    showLegendPicture(imgClear, QStringLiteral("clear"));
    showLegendPicture(imgOpen, QStringLiteral("open"));

    connect(cmdSelect, &QPushButton::clicked, this, &frmDischargeNotice::select);
    connect(lvwRequest, &QTreeView::doubleClicked, this, &frmDischargeNotice::select);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        m_idNum.clear();
        m_valid = false;
        reject();
    });
}

frmDischargeNotice::~frmDischargeNotice() = default;

void frmDischargeNotice::load()
{
    m_idNum.clear();
    m_valid = false;
    ui::runGuarded(
        [this] {
            const ui::WaitCursor wait;
            m_model->setRows(DischargeStore(ui::requireConnection(m_connection, windowTitle())).notices());
        },
        { .connection = m_connection, .title = windowTitle() });
    imgClear->setVisible(true);
    imgOpen->setVisible(true);
}

void frmDischargeNotice::select()
{
    const auto idNum = selectedText(lvwRequest, kAdmissionColumn);
    if (!idNum)
        return;
    m_idNum = *idNum;
    m_valid = true;
    accept();
}

} // namespace mss::notices
