#include "notices/frmdischargenotice.h"

#include "data/connection.h"
#include "domain/dischargerecord.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

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

QLabel *legendPicture(const QString &name, const QString &icon, QWidget *parent)
{
    auto *picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/") + icon + QStringLiteral(".svg")).pixmap(16, 16));
    picture->setVisible(false); // shown once the list is read
    return picture;
}

} // namespace

frmDischargeNotice::frmDischargeNotice(data::Connection *connection, QWidget *parent)
    : QDialog(parent),
      m_connection(connection),
      m_model(new NoticeListModel(dischargeColumns(), QStringLiteral("ClearDate"), &dischargeIconKey, this))
{
    setObjectName(QStringLiteral("frmDischargeNotice"));
    setWindowTitle(QStringLiteral("Discharge Notice"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/discharge.svg")));

    lblHeading = createHeading(QStringLiteral("Discharge Notice"), this);
    lvwRequest = createNoticeView(m_model, this);
    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    imgClear = legendPicture(QStringLiteral("imgClear"), QStringLiteral("clear"), this);
    imgOpen = legendPicture(QStringLiteral("imgOpen"), QStringLiteral("open"), this);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Legend:"), this));
    bottom->addWidget(imgClear);
    bottom->addWidget(new QLabel(QStringLiteral("Cleared"), this));
    bottom->addSpacing(12);
    bottom->addWidget(imgOpen);
    bottom->addWidget(new QLabel(QStringLiteral("Not Cleared"), this));
    bottom->addStretch();
    bottom->addWidget(cmdSelect);
    bottom->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(lvwRequest, 1);
    layout->addLayout(bottom);
    resize(900, 480);

    connect(cmdSelect, &QPushButton::clicked, this, &frmDischargeNotice::select);
    connect(lvwRequest, &QTreeView::doubleClicked, this, &frmDischargeNotice::select);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        m_idNum.clear();
        m_valid = false;
        reject();
    });
}

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
