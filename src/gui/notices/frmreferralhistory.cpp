#include "notices/frmreferralhistory.h"

#include "data/connection.h"
#include "domain/referralrecord.h"
#include "notices/frmreferralapproval.h"
#include "notices/noticelist.h"
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

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

frmReferralHistory::frmReferralHistory(NoticeContext context, QWidget *parent)
    : QDialog(parent),
      m_context(std::move(context)),
      m_model(new NoticeListModel(historyColumns(), QStringLiteral("Status"), &referralIcon, this))
{
    setObjectName(QStringLiteral("frmReferralHistory"));
    setWindowTitle(QStringLiteral("Referral from Medical Team"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/referral.svg")));

    lblHeading = createHeading(QStringLiteral("History(Referral from Medical Team)"), this);
    auto *criteria = new QGroupBox(QStringLiteral("Search"), this);
    criteria->setObjectName(QStringLiteral("fmeSearch"));
    txtHospNum = new QLineEdit(criteria);
    txtHospNum->setObjectName(QStringLiteral("txtHospNum"));
    txtLastname = new QLineEdit(criteria);
    txtLastname->setObjectName(QStringLiteral("txtLastname"));
    txtFirstname = new QLineEdit(criteria);
    txtFirstname->setObjectName(QStringLiteral("txtFirstname"));
    cmdSearch = new QPushButton(QStringLiteral("Search"), criteria);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    auto *criteriaLayout = new QHBoxLayout(criteria);
    criteriaLayout->addWidget(new QLabel(QStringLiteral("Hospita #:"), criteria));
    criteriaLayout->addWidget(txtHospNum);
    criteriaLayout->addWidget(new QLabel(QStringLiteral("Lastname:"), criteria));
    criteriaLayout->addWidget(txtLastname);
    criteriaLayout->addWidget(new QLabel(QStringLiteral("Firstname:"), criteria));
    criteriaLayout->addWidget(txtFirstname);
    criteriaLayout->addWidget(cmdSearch);

    lvwRequest = createNoticeView(m_model, this);
    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdClose);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(criteria);
    layout->addWidget(lvwRequest, 1);
    layout->addLayout(buttons);
    resize(1000, 520);

    const auto searchTyped = [this] {
        search(txtHospNum->text().trimmed(), txtLastname->text().trimmed(), txtFirstname->text().trimmed());
    };
    connect(cmdSearch, &QPushButton::clicked, this, searchTyped);
    for (QLineEdit *box : { txtHospNum, txtLastname, txtFirstname })
        connect(box, &QLineEdit::returnPressed, this, searchTyped);
    connect(cmdSelect, &QPushButton::clicked, this, [this] {
        ui::runGuarded([this] { select(); }, { .connection = m_context.connection, .title = windowTitle() });
    });
    // Enter and a double click on a row do what "&Select" does.
    connect(lvwRequest, &QAbstractItemView::activated, cmdSelect, &QPushButton::click);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        forget();
        reject();
    });

    search({}, {}, {});
}

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
