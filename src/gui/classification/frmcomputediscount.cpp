#include "classification/frmcomputediscount.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/values.h"
#include "patients/patientselection.h"
#include "ui/childwindow.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui_frmcomputediscount.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace mss::classification {

namespace {

// Department grid: admission and revenue code hidden, then department and the three amounts.
const QList<int> kColumnTwips = { 0, 0, 3100, 1400, 1400, 1400 };
constexpr int kFirstAmountColumn = 3;
constexpr int kHeightWithSpecialTwips = 7290;

} // namespace

frmComputeDiscount::frmComputeDiscount(
    const patients::PatientSelection &selection, data::Connection *connection, QWidget *parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::frmComputeDiscount>()),
      m_selection(selection),
      m_connection(connection)
{
    m_ui->setupUi(this);
    bindControls();
    ui::setColumnWidthsInTwips(mshDiscount, kColumnTwips);
    sizeToGrid();

    connect(cmdExit, &QPushButton::clicked, this, [this] { ui::closeChildWindow(this); });
    ui::connectGuarded(
        cmdRecompute, &QPushButton::clicked, this, [this] { recompute(); }, { .connection = m_connection });
    connect(cmdIsSpecial, &QPushButton::clicked, this, &frmComputeDiscount::showSpecialArrangement);
}

frmComputeDiscount::~frmComputeDiscount() = default;

void frmComputeDiscount::bindControls()
{
    const Ui::frmComputeDiscount &u = *m_ui;
    txtPatientName = u.txtPatientName;
    txtHospNum = u.txtHospNum;
    txtIdNum = u.txtIdNum;
    txtMSSnum = u.txtMSSnum;
    txtRoomID = u.txtRoomID;
    txtCode = u.txtCode;
    frameCovered = u.frameCovered;
    mshDiscount = u.mshDiscount;
    lblTotal = u.lblTotal;
    lblMedicareTotal = u.lblMedicareTotal;
    lblTotalCovered = u.lblTotalCovered;
    lblQFS = u.lblQFS;
    cmdRecompute = u.cmdRecompute;
    cmdExit = u.cmdExit;
    cmdIsSpecial = u.cmdIsSpecial;
    fraSpecial = u.fraSpecial;
    txtNC = u.txtNC;
    txtQFSSpecial = u.txtQFSSpecial;
}

void frmComputeDiscount::sizeToGrid()
{
    m_ui->lblTotalCaption->setFixedWidth(mshDiscount->columnWidth(2) + mshDiscount->frameWidth());
    const QList<QLabel *> columnTotals = { lblTotal, lblMedicareTotal, lblTotalCovered };
    for (int i = 0; i < int(columnTotals.size()); ++i)
        columnTotals[i]->setFixedWidth(mshDiscount->columnWidth(kFirstAmountColumn + i));
    lblQFS->setFixedWidth(mshDiscount->columnWidth(5));

    int gridWidth = 0;
    for (int c = 0; c < mshDiscount->columnCount(); ++c)
        gridWidth += mshDiscount->isColumnHidden(c) ? 0 : mshDiscount->columnWidth(c);
    resize(gridWidth + 80, 460);
}

data::Connection &frmComputeDiscount::connection() const
{
    return ui::requireConnection(m_connection, windowTitle());
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
