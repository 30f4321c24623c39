#include "notices/frmreferralhistory.h"

#include "data/connection.h"
#include "domain/referralrecord.h"
#include "notices/frmreferralapproval.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmreferralhistory.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace mss::notices {

namespace {

QString referralIcon(const QVariant &status)
{
    return referralIconKey(status.toString());
}

// The state's code stays, for those who know it, beside what it means.
QString statusWithMeaning(const QString &code)
{
    const QString trimmed = code.trimmed();
    return trimmed.isEmpty() ? trimmed : trimmed + QStringLiteral(" - ") + referralStateMeaning(trimmed);
}

QList<NoticeColumn> historyColumns()
{
    return { { QStringLiteral("Patient"), QStringLiteral("PatientName"), false, 3000 },
        { QStringLiteral("Admission #"), QStringLiteral("IDNUM"), false, 1300 },
        { QStringLiteral("Hosp #"), QStringLiteral("HospNum"), false, 1100 },
        { QStringLiteral("Date Modified"), QStringLiteral("DateApproved"), true, 2400 },
        { QStringLiteral("Referral Date"), QStringLiteral("ReferralDate"), true, 2400 },
        { QStringLiteral("Status"), QStringLiteral("Status"), false, 700, &statusWithMeaning },
        { QStringLiteral("Diagnosis"), QStringLiteral("Diagnosis"), false, 2600 },
        { QStringLiteral("Refnum"), QStringLiteral("ReferralNo"), false, 10 } };
}

} // namespace

frmReferralHistory::frmReferralHistory(ui::WorkContext context, QWidget *parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::frmReferralHistory>()),
      m_context(std::move(context)),
      m_model(new NoticeListModel(historyColumns(), QStringLiteral("Status"), &referralIcon, this))
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/referral.svg")));
    lblHeading = m_ui->lblHeading;
    txtHospNum = m_ui->txtHospNum;
    txtLastname = m_ui->txtLastname;
    txtFirstname = m_ui->txtFirstname;
    cmdSearch = m_ui->cmdSearch;
    lvwRequest = m_ui->lvwRequest;
    cmdSelect = m_ui->cmdSelect;
    cmdClose = m_ui->cmdClose;
    emphasizeHeading(lblHeading);
    attachNoticeModel(lvwRequest, m_model);

    const auto searchTyped = [this] {
        search(txtHospNum->text().trimmed(), txtLastname->text().trimmed(), txtFirstname->text().trimmed());
    };
    connect(cmdSearch, &QPushButton::clicked, this, searchTyped);
    for (QLineEdit *box : { txtHospNum, txtLastname, txtFirstname })
        connect(box, &QLineEdit::returnPressed, this, searchTyped);
    ui::connectGuarded(
        cmdSelect, &QPushButton::clicked, this, [this] { select(); }, { .connection = m_context.connection });
    // Enter and a double click on a row do what "&Select" does.
    connect(lvwRequest, &QAbstractItemView::activated, cmdSelect, &QPushButton::click);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        forget();
        reject();
    });

    search({}, {}, {});
}

frmReferralHistory::~frmReferralHistory() = default;

void frmReferralHistory::forget()
{
    m_idNum.clear();
    m_valid = false;
}

void frmReferralHistory::search(const QString &hospNum, const QString &lastName, const QString &firstName)
{
    forget();
    ui::runGuarded(
        [&] {
            const ui::WaitCursor wait;
            m_model->setRows(ReferralStore(ui::requireConnection(m_context.connection, windowTitle()))
                                 .history(hospNum, lastName, firstName));
        },
        { .connection = m_context.connection, .title = windowTitle() });
}

void frmReferralHistory::select()
{
    const auto idNum = selectedText(lvwRequest, kAdmissionColumn);
    if (!idNum)
        return;
    m_idNum = *idNum;
    m_refNum = selectedText(lvwRequest, kRefnumColumn).value_or(QString());
    m_valid = true;
    hide();
    {
        frmReferralApproval approval(m_context, parentWidget());
        approval.load(nullptr, this);
        ui::Messages::execDialog(approval);
    }
    forget();
    accept();
}

} // namespace mss::notices
