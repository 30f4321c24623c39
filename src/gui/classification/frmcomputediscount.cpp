#include "classification/frmcomputediscount.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/values.h"
#include "patients/patientselection.h"
#include "session/sessionstate.h"
#include "ui/childwindow.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace mss::classification {

namespace {

// Department grid: admission and revenue code hidden, then department and the three amounts.
const QList<int> kColumnTwips = { 0, 0, 3100, 1400, 1400, 1400 };
constexpr int kFirstAmountColumn = 3;
constexpr int kHeightWithSpecialTwips = 7290;

QLineEdit *headerField(QFormLayout *form, const QString &name, const QString &caption, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    form->addRow(caption, edit);
    return edit;
}

QLabel *moneyLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

} // namespace

frmComputeDiscount::frmComputeDiscount(
    const patients::PatientSelection &selection, data::Connection *connection, QWidget *parent)
    : QWidget(parent), m_selection(selection), m_connection(connection)
{
    setObjectName(QStringLiteral("frmComputeDiscount"));
    setWindowTitle(QStringLiteral("Computation of Discount"));

    auto *info = new QWidget(this);
    auto *left = new QFormLayout;
    auto *right = new QFormLayout;
    txtPatientName = headerField(left, QStringLiteral("txtPatientName"), QStringLiteral("Patient Name :"), info);
    txtHospNum = headerField(left, QStringLiteral("txtHospNum"), QStringLiteral("Hospital No. :"), info);
    txtIdNum = headerField(left, QStringLiteral("txtIdNum"), QStringLiteral("Adm. No. :"), info);
    txtMSSnum = headerField(right, QStringLiteral("txtMSSnum"), QStringLiteral("MSS No. :"), info);
    txtRoomID = headerField(right, QStringLiteral("txtRoomID"), QStringLiteral("Room No. :"), info);
    txtCode = headerField(right, QStringLiteral("txtCode"), QStringLiteral("Classification :"), info);
    auto *infoLayout = new QHBoxLayout(info);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->addLayout(left, 3);
    infoLayout->addLayout(right, 2);

    frameCovered = new QGroupBox(QStringLiteral("Breakdown for the Computation of Discount"), this);
    frameCovered->setObjectName(QStringLiteral("frameCovered"));
    frameCovered->setEnabled(false);
    mshDiscount = new QTableWidget(0, int(kColumnTwips.size()), frameCovered);
    mshDiscount->setObjectName(QStringLiteral("mshDiscount"));
    mshDiscount->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mshDiscount->setSelectionBehavior(QAbstractItemView::SelectRows);
    mshDiscount->verticalHeader()->hide();
    mshDiscount->setWordWrap(false);
    mshDiscount->setHorizontalHeaderLabels(
        { QStringLiteral("IdNum"), QStringLiteral("RevenueID"), QStringLiteral("Department"),
            QStringLiteral("Actual Charges"), QStringLiteral("Medicare"), QStringLiteral("Discount") });
    ui::setColumnWidthsInTwips(mshDiscount, kColumnTwips);

    lblTotal = moneyLabel(QStringLiteral("lblTotal"), frameCovered);
    lblMedicareTotal = moneyLabel(QStringLiteral("lblMedicareTotal"), frameCovered);
    lblTotalCovered = moneyLabel(QStringLiteral("lblTotalCovered"), frameCovered);
    lblQFS = moneyLabel(QStringLiteral("lblQFS"), frameCovered);
    // The totals stand under their columns.
    auto *totals = new QHBoxLayout;
    totals->setSpacing(0);
    auto *totalCaption = new QLabel(QStringLiteral("Total : "), frameCovered);
    totalCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totalCaption->setFixedWidth(mshDiscount->columnWidth(2) + mshDiscount->frameWidth());
    totals->addWidget(totalCaption);
    const QList<QLabel *> columnTotals = { lblTotal, lblMedicareTotal, lblTotalCovered };
    for (int i = 0; i < int(columnTotals.size()); ++i) {
        columnTotals[i]->setFixedWidth(mshDiscount->columnWidth(kFirstAmountColumn + i));
        totals->addWidget(columnTotals[i]);
    }
    totals->addStretch();
    auto *toPay = new QHBoxLayout;
    toPay->addStretch();
    auto *toPayCaption = new QLabel(QStringLiteral("To Pay : "), frameCovered);
    // Two amounts left to pay stand on this window; each says which one it is.
    const QString toPayMeaning = QStringLiteral(
        "Actual charges less the MSS discount. The Medicare share is shown in its column but not subtracted.");
    toPayCaption->setToolTip(toPayMeaning);
    lblQFS->setToolTip(toPayMeaning);
    toPay->addWidget(toPayCaption);
    lblQFS->setFixedWidth(mshDiscount->columnWidth(5));
    toPay->addWidget(lblQFS);
    auto *frameLayout = new QVBoxLayout(frameCovered);
    frameLayout->addWidget(mshDiscount, 1);
    frameLayout->addLayout(totals);
    frameLayout->addLayout(toPay);

    cmdRecompute = new QPushButton(QStringLiteral("&Recompute"), this);
    cmdRecompute->setObjectName(QStringLiteral("cmdRecompute"));
    cmdRecompute->setEnabled(false);
    cmdExit = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdIsSpecial = new QPushButton(QStringLiteral("Special Arrangement"), this);
    cmdIsSpecial->setObjectName(QStringLiteral("cmdIsSpecial"));
    cmdIsSpecial->setVisible(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdIsSpecial);
    buttons->addStretch();
    buttons->addWidget(cmdRecompute);
    buttons->addWidget(cmdExit);

    fraSpecial = new QFrame(this);
    fraSpecial->setObjectName(QStringLiteral("fraSpecial"));
    fraSpecial->setFrameShape(QFrame::StyledPanel);
    txtNC = new QLineEdit(fraSpecial);
    txtNC->setObjectName(QStringLiteral("txtNC"));
    txtNC->setReadOnly(true);
    txtQFSSpecial = new QLineEdit(fraSpecial);
    txtQFSSpecial->setObjectName(QStringLiteral("txtQFSSpecial"));
    txtQFSSpecial->setReadOnly(true);
    auto *special = new QHBoxLayout(fraSpecial);
    auto *ncCaption = new QLabel(QStringLiteral("NC :"), fraSpecial);
    ncCaption->setToolTip(QStringLiteral("The negotiated counterpart the patient pays under the special arrangement."));
    txtNC->setToolTip(ncCaption->toolTip());
    auto *qfsCaption = new QLabel(QStringLiteral("QFS:"), fraSpecial);
    qfsCaption->setToolTip(QStringLiteral(
        "Actual charges less the negotiated counterpart: what the special arrangement covers. It is not the "
        "\"To Pay\" amount above."));
    txtQFSSpecial->setToolTip(qfsCaption->toolTip());
    special->addWidget(ncCaption);
    special->addWidget(txtNC);
    special->addSpacing(20);
    special->addWidget(qfsCaption);
    special->addWidget(txtQFSSpecial);
    special->addStretch();
    // Out of view until "Special Arrangement" is pressed.
    fraSpecial->setVisible(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(frameCovered, 1);
    layout->addLayout(buttons);
    layout->addWidget(fraSpecial);

    int gridWidth = 0;
    for (int c = 0; c < mshDiscount->columnCount(); ++c)
        gridWidth += mshDiscount->isColumnHidden(c) ? 0 : mshDiscount->columnWidth(c);
    resize(gridWidth + 80, 460);

    connect(cmdExit, &QPushButton::clicked, this, [this] { ui::closeChildWindow(this); });
    connect(cmdRecompute, &QPushButton::clicked, this, [this] {
        ui::runGuarded([this] { recompute(); }, { .connection = openConnection(), .title = windowTitle() });
    });
    connect(cmdIsSpecial, &QPushButton::clicked, this, &frmComputeDiscount::showSpecialArrangement);
}

frmComputeDiscount::~frmComputeDiscount() = default;

data::Connection *frmComputeDiscount::openConnection() const
{
    return m_connection ? m_connection : shell::Session().SharedConnection;
}

data::Connection &frmComputeDiscount::connection() const
{
    data::Connection *c = openConnection();
    if (!c)
        throw data::DbError(3704, windowTitle(), QStringLiteral("There is no open connection."));
    return *c;
}

void frmComputeDiscount::load()
{
    std::optional<DiscountResult> stored;
    {
        ui::WaitCursor wait;
        const DiscountComputation computation(connection());
        const DiscountPatient patient = computation.readPatient(m_selection.HospNum, m_selection.IDNUM);
        // A patient removed since the list showed them leaves nothing to compute for.
        if (!patient.found)
            throw data::DbError(0, windowTitle(),
                QStringLiteral("Admission %1 of patient %2 is no longer on file.")
                    .arg(m_selection.IDNUM.trimmed(), m_selection.HospNum.trimmed()));
        txtPatientName->setText(patient.name);
        txtHospNum->setText(patient.hospNum);
        txtIdNum->setText(patient.idNum);
        txtRoomID->setText(patient.roomId);
        txtMSSnum->setText(patient.mssNum);
        if (!patient.code.isEmpty())
            txtCode->setText(patient.code);
        const QString idNum = txtIdNum->text().trimmed();
        m_assessment = computation.readAssessment(idNum);
        cmdIsSpecial->setVisible(m_assessment.isSpecial);
        m_rates = computation.readRates(txtCode->text(), txtRoomID->text());
        cmdRecompute->setEnabled(true);
        stored = computation.existing(idNum);
    }
    if (stored) {
        frameCovered->setEnabled(true);
        showRows(*stored);
        showTotals(*stored);
        return;
    }
    compute(false);
}

void frmComputeDiscount::recompute()
{
    if (ui::Messages::show(QStringLiteral("All previous computed discount will be deleted.\nDo you wish to continue?"),
            QStringLiteral("Warning!"), QMessageBox::Critical, QMessageBox::Yes | QMessageBox::No, this)
        != QMessageBox::Yes)
        return;
    cmdRecompute->setEnabled(false);
    compute(true);
}

void frmComputeDiscount::compute(bool forgetStored)
{
    DiscountResult result;
    {
        ui::WaitCursor wait;
        const DiscountComputation computation(connection());
        const QString idNum = txtIdNum->text().trimmed();
        result = forgetStored ? computation.recompute(idNum, m_rates, m_assessment)
                              : computation.compute(idNum, m_rates, m_assessment);
    }
    if (result.outcome == DiscountResult::Outcome::BillTotalZero) {
        ui::Messages::show(QStringLiteral("Total Hospital Bill is zero (0) therefore no more discount is needed."),
            QStringLiteral("Information"), QMessageBox::Information, QMessageBox::Ok, this);
        return;
    }
    if (!result.rows.isEmpty())
        showRows(result);
    showTotals(result);
    txtQFSSpecial->setText(data::formatMoney(result.qfsSpecial));
    frameCovered->setEnabled(true);
}

void frmComputeDiscount::showRows(const DiscountResult &result)
{
    mshDiscount->clearContents();
    mshDiscount->setRowCount(int(result.rows.size()));
    for (int r = 0; r < int(result.rows.size()); ++r) {
        const QVariantList &row = result.rows[r];
        for (int c = 0; c < mshDiscount->columnCount(); ++c) {
            // Amounts show rounded to centavos; the computation keeps its own digits.
            const QVariant value = row.value(c);
            bool numeric = false;
            const double amount = value.isNull() ? 0.0 : value.toDouble(&numeric);
            auto *item = new QTableWidgetItem(
                c >= kFirstAmountColumn && numeric ? data::formatMoney(amount) : data::variantText(value));
            if (c >= kFirstAmountColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            mshDiscount->setItem(r, c, item);
        }
    }
    ui::setColumnWidthsInTwips(mshDiscount, kColumnTwips);
}

void frmComputeDiscount::showTotals(const DiscountResult &result)
{
    lblTotal->setText(data::formatMoney(result.charges));
    lblMedicareTotal->setText(data::formatMoney(result.medicare));
    lblTotalCovered->setText(data::formatMoney(result.discount));
    lblQFS->setText(data::formatMoney(result.toPay()));
}

void frmComputeDiscount::showSpecialArrangement()
{
    fraSpecial->setVisible(true);
    const int height = ui::twipsToPixels(kHeightWithSpecialTwips, this);
    if (QWidget *frame = parentWidget(); frame && frame->inherits("QMdiSubWindow"))
        frame->resize(frame->width(), std::max(frame->height(), height));
    else
        resize(width(), std::max(this->height(), height));
    txtNC->setText(data::formatMoney(m_assessment.nc));
}

void frmComputeDiscount::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

} // namespace mss::classification
