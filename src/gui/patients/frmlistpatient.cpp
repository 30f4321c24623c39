#include "patients/frmlistpatient.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "data/values.h"
#include "patients/patientlistmodel.h"
#include "ui/childwindow.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/typingrules.h"
#include "ui/windowgeometry.h"
#include "ui_frmlistpatient.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTreeView>

namespace mss::patients {

namespace {

int px(int twips, const QWidget *w)
{
    return ui::twipsToPixels(twips, w);
}

QString trimmed(const QString &text)
{
    return data::q(text.trimmed());
}

// The five arguments of every list procedure; the first separator has a blank.
QString listCall(const QString &procedure, const QString &hospNum, const QString &lastName, const QString &idNum,
    const QString &firstName, const QString &middleName)
{
    return procedure + QStringLiteral(" '") + trimmed(hospNum) + QStringLiteral("', '") + trimmed(lastName)
        + QStringLiteral("','") + trimmed(idNum) + QStringLiteral("','") + trimmed(firstName) + QStringLiteral("','")
        + trimmed(middleName) + QStringLiteral("'");
}

} // namespace

frmListPatient::frmListPatient(
    PatientSelection &selection, data::Connection *listConnection, data::Connection *userConnection, QWidget *parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::frmListPatient>()),
      m_selection(selection),
      m_listConnection(listConnection),
      m_userConnection(userConnection)
{
    m_ui->setupUi(this);
    bindControls();
    setUpSearchPanel();
    setUpList();
    wireCommands();
    SizeControls(m_splitterTwips);
}

void frmListPatient::bindControls()
{
    const Ui::frmListPatient &u = *m_ui;
    Picture1 = u.Picture1;
    Label1 = u.Label1;
    txtLastname = u.txtLastname;
    txtHospNum = u.txtHospNum;
    txtIDNum = u.txtIDNum;
    txtFirstname = u.txtFirstname;
    txtMiddleName = u.txtMiddleName;
    cmdSearch = u.cmdSearch;
    cmdClose = u.cmdClose;
    lblRecCount = u.lblRecCount;
    pbProgress = u.pbProgress;
    Frame4 = u.Frame4;
    lblMSS = u.lblMSS;
    Frame2 = u.Frame2;
    Frame3 = u.Frame3;
    Frame1 = u.Frame1;
    lvwSearchPatient = u.lvwSearchPatient;
    imgSplitter = u.imgSplitter;
    picSplitter = u.picSplitter;
    optPatientType = new QButtonGroup(this);
    const QList<QRadioButton *> types
        = { u.optPatientType_0, u.optPatientType_1, u.optPatientType_2, u.optPatientType_3 };
    for (int i = 0; i < int(types.size()); ++i)
        optPatientType->addButton(types[i], i);
}

void frmListPatient::setUpSearchPanel()
{
    QFont heading = Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.15);
    Label1->setFont(heading);
    for (QLineEdit *edit : { txtLastname, txtHospNum, txtIDNum, txtFirstname, txtMiddleName }) {
        ui::applyTypingRules(edit, true, edit != txtHospNum);
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            // The hospital number goes with the admission number: kept alone, it would leave the
            // previous patient chosen while the list shows other rows.
            m_selection.IDNUM.clear(); // and the name parts, which only ever hold nothing
            m_selection.HospNum.clear();
            searchFromBoxes();
        });
    }
    lblMSS->installEventFilter(this);
    Frame4->installEventFilter(this);
    setLinkHover(false);
}

void frmListPatient::setUpList()
{
    m_model = new PatientListModel(this);
    lvwSearchPatient->setModel(m_model);
    lvwSearchPatient->header()->setSectionsClickable(true);
    ui::setColumnWidthsInTwips(lvwSearchPatient, PatientListModel::widthsInTwips());
    ui::rememberColumnWidths(lvwSearchPatient->header(), QStringLiteral("frmListPatient/lvwSearchPatient"));
    lvwSearchPatient->installEventFilter(this);
    // The splitter: a grip to press, and a bar that follows the mouse until released.
    imgSplitter->installEventFilter(this);
}

// The searches guard themselves (a failed one empties the list and lets the patient go), so the
// commands that start one are safe to wire directly.
void frmListPatient::wireCommands()
{
    connect(cmdSearch, &QPushButton::clicked, this, &frmListPatient::searchFromButton);
    connect(cmdClose, &QPushButton::clicked, this, [this] { ui::closeChildWindow(this); });
    connect(optPatientType, &QButtonGroup::idClicked, this,
        [this](int id) { m_selection.PatientType = QString::number(id); });
    connect(lvwSearchPatient, &QTreeView::clicked, this, [this] { SelectCurrentPatient(); });
    connect(lvwSearchPatient, &QTreeView::doubleClicked, this, [this] { SelectCurrentPatient(); });
    // The keyboard moves the highlighted row: the selection moves with it.
    connect(lvwSearchPatient->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) {
            if (current.isValid())
                SelectCurrentPatient();
        });
    connect(lvwSearchPatient->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_model->sortByColumn(column);
        showHeldRow();
    });
    connect(lvwSearchPatient, &QWidget::customContextMenuRequested, this, &frmListPatient::showFileMenu);
}

void frmListPatient::searchFromButton()
{
    chooseTypeAgain();
    m_selection.HospNum.clear();
    m_selection.IDNUM.clear();
    const bool allEmpty = txtLastname->text().trimmed().isEmpty() && txtHospNum->text().trimmed().isEmpty()
        && txtIDNum->text().trimmed().isEmpty() && txtFirstname->text().trimmed().isEmpty()
        && txtMiddleName->text().trimmed().isEmpty();
    if (allEmpty && optPatientType->checkedId() == 2) {
        ui::Messages::information(QStringLiteral("Please specify a search parameter."), {}, this);
        return;
    }
    searchFromBoxes();
}

void frmListPatient::showFileMenu(const QPoint &pos)
{
    // The row under the pointer is the one highlighted: it must also be the one the menu acts on.
    if (const QModelIndex under = lvwSearchPatient->indexAt(pos); under.isValid()) {
        lvwSearchPatient->setCurrentIndex(under);
        SelectCurrentPatient();
    }
    if (!m_selection.HospNum.isEmpty() && m_fileMenu)
        m_fileMenu->popup(lvwSearchPatient->viewport()->mapToGlobal(pos));
}

frmListPatient::~frmListPatient() = default;

void frmListPatient::searchOnOpening()
{
    if (m_selection.IDNUM.isEmpty() && m_selection.HospNum.isEmpty() && m_selection.PatientName.isEmpty()) {
        pbProgress->hide();
        return;
    }
    pbProgress->show();
    // The numbers searched with are shown in their boxes, so that the rows and the boxes agree.
    if (txtHospNum->text().isEmpty() && txtIDNum->text().isEmpty()) {
        txtHospNum->setText(m_selection.HospNum);
        txtIDNum->setText(m_selection.IDNUM);
    }
    SearchPatients(m_selection.HospNum, QString(), m_selection.IDNUM, QString(), QString());
}

void frmListPatient::searchFromBoxes()
{
    SearchPatients(
        txtHospNum->text(), txtLastname->text(), txtIDNum->text(), txtFirstname->text(), txtMiddleName->text());
}

void frmListPatient::chooseTypeAgain()
{
    if (optPatientType->checkedId() >= 0)
        return;
    if (QAbstractButton *option = optPatientType->button(m_typeBeforeMss))
        option->setChecked(true);
}

void frmListPatient::loadMssFromBoxes()
{
    LoadMssPatients(
        txtHospNum->text(), txtLastname->text(), txtIDNum->text(), txtFirstname->text(), txtMiddleName->text());
}

ListSearch frmListPatient::currentSearch() const
{
    return ListSearch { optPatientType->checkedId() < 0 ? m_typeBeforeMss : optPatientType->checkedId(), m_showingMss,
        m_searched, txtHospNum->text(), txtLastname->text(), txtIDNum->text(), txtFirstname->text(),
        txtMiddleName->text() };
}

void frmListPatient::repeatSearch(const ListSearch &search)
{
    txtHospNum->setText(search.hospNum);
    txtLastname->setText(search.lastName);
    txtIDNum->setText(search.idNum);
    txtFirstname->setText(search.firstName);
    txtMiddleName->setText(search.middleName);
    if (QAbstractButton *option = optPatientType->button(search.patientType))
        option->setChecked(true);
    const bool anyText = !(search.hospNum.trimmed().isEmpty() && search.lastName.trimmed().isEmpty()
        && search.idNum.trimmed().isEmpty() && search.firstName.trimmed().isEmpty()
        && search.middleName.trimmed().isEmpty());
    if (!search.searched && !anyText) {
        pbProgress->hide();
        releaseHeldPatient();
        return;
    }
    pbProgress->show();
    search.mssPatients ? loadMssFromBoxes() : searchFromBoxes();
}

void frmListPatient::SearchPatients(const QString &hospNum, const QString &lastName, const QString &idNum,
    const QString &firstName, const QString &middleName)
{
    chooseTypeAgain();
    // The options are tried in this order; with none chosen the in-patient list is searched.
    QString procedure = QStringLiteral("MSS..sp_MSS_LoadInPatient");
    switch (optPatientType->checkedId()) {
    case 1:
        procedure = QStringLiteral("MSS..sp_MSS_LoadOutPatient");
        break;
    case 2:
        procedure = QStringLiteral("MSS..sp_MSS_LoadAllServicePatient");
        break;
    case 3:
        procedure = QStringLiteral("MSS..sp_MSS_LoadERPatient");
        break;
    default:
        break;
    }
    m_showingMss = false;
    fill(listCall(procedure, hospNum, lastName, idNum, firstName, middleName), m_listConnection,
        PatientListModel::kColumns);
}

void frmListPatient::LoadMssPatients(const QString &hospNum, const QString &lastName, const QString &idNum,
    const QString &firstName, const QString &middleName)
{
    m_showingMss = true;
    // The rows are no patient type's: no option shows chosen while they are listed.
    if (const int chosen = optPatientType->checkedId(); chosen >= 0) {
        m_typeBeforeMss = chosen;
        optPatientType->setExclusive(false);
        optPatientType->checkedButton()->setChecked(false);
        optPatientType->setExclusive(true);
    }
    fill(listCall(QStringLiteral("MSS..sp_MSS_LoadMSSPatient"), hospNum, lastName, idNum, firstName, middleName),
        m_userConnection, PatientListModel::kColumns - 1);
}

void frmListPatient::fill(const QString &statement, data::Connection *connection, int filledColumns)
{
    lvwSearchPatient->setEnabled(true);
    m_searched = true;
    // The old rows go first: a new search then reuses their memory instead of doubling the peak.
    m_model->clear();
    const bool ok = ui::runGuarded(
        [&] {
            ui::WaitCursor wait;
            data::RowTable table
                = ui::requireConnection(connection, QStringLiteral("Patient list"))
                      .openTable(statement, data::CursorType::Dynamic,
                          connection == m_listConnection ? data::LockType::Optimistic : data::LockType::ReadOnly);
            if (table.isEmpty()) {
                m_model->clear();
                lvwSearchPatient->setEnabled(false);
                lblRecCount->clear();
                releaseHeldPatient();
                return;
            }
            const int rows = table.rowCount();
            // The rows are already in memory and the model takes them whole, and the bar is hidden
            // again before anything else runs: a repaint for each of its values would only paint
            // the window's pending changes early, twice.
            pbProgress->setUpdatesEnabled(false);
            pbProgress->setMaximum(rows);
            pbProgress->setValue(0);
            pbProgress->show();
            lblRecCount->setText(QStringLiteral("Total No. of Records: %1").arg(rows));
            m_model->setTable(std::move(table), filledColumns);
            pbProgress->setValue(rows);
            lvwSearchPatient->setEnabled(true);
            showHeldRow();
            if (lvwSearchPatient->isVisible())
                lvwSearchPatient->setFocus();
        },
        { .title = windowTitle() });
    if (!ok) {
        m_model->clear();
        lvwSearchPatient->setEnabled(false);
        lblRecCount->clear();
        releaseHeldPatient();
    }
    pbProgress->hide();
    pbProgress->setUpdatesEnabled(true);
}

void frmListPatient::SelectCurrentPatient()
{
    const QModelIndex current = lvwSearchPatient->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    // The row the selection holds is the row shown selected, however it became current.
    if (QItemSelectionModel *shown = lvwSearchPatient->selectionModel(); !shown->isRowSelected(row, {}))
        shown->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selection.IDNUM = m_model->text(row, 0);
    m_selection.HospNum = m_model->text(row, 1);
    m_selection.RoomID = m_model->text(row, 6);
    m_selection.PatientName = m_model->text(row, 3) + QStringLiteral(", ") + m_model->text(row, 4) + QLatin1Char(' ')
        + m_model->text(row, 5);
    m_selection.MSSID = m_model->text(row, 7);
    m_selection.Billdate = m_model->text(row, 10);
    emit patientDatasheetAvailable(data::isInPatientAdmission(m_selection.IDNUM));
}

void frmListPatient::showHeldRow()
{
    if (m_selection.IDNUM.isEmpty() && m_selection.HospNum.isEmpty()) {
        lvwSearchPatient->selectionModel()->clear();
        return;
    }
    if (const int row = m_model->rowOf(m_selection.IDNUM, m_selection.HospNum); row >= 0) {
        const QModelIndex held = m_model->index(row, 0);
        lvwSearchPatient->setCurrentIndex(held);
        lvwSearchPatient->scrollTo(held);
        return;
    }
    lvwSearchPatient->selectionModel()->clear();
    releaseHeldPatient();
}

void frmListPatient::releaseHeldPatient()
{
    m_selection.IDNUM.clear();
    m_selection.HospNum.clear();
    m_selection.RoomID.clear();
    m_selection.MSSID.clear();
    m_selection.PatientName.clear();
    emit patientDatasheetAvailable(false);
}

void frmListPatient::takeRowOnFocus(Qt::FocusReason reason)
{
    // A click chooses its own row; any other way in takes the current row, or the first one.
    if (reason == Qt::MouseFocusReason)
        return;
    if (!lvwSearchPatient->currentIndex().isValid() && m_model->rowCount() > 0)
        lvwSearchPatient->setCurrentIndex(m_model->index(0, 0)); // selects it, and so chooses it
    else
        SelectCurrentPatient();
}

void frmListPatient::SizeControls(int xTwips)
{
    const int widthTwips = int(width() * 15.0 * 96.0 / std::max(1, logicalDpiX()));
    m_splitterTwips = std::max(750, std::min(xTwips, widthTwips - 750));
    const int x = px(m_splitterTwips, this);
    const int margin = px(60, this);
    Picture1->setGeometry(0, 0, std::max(0, x - margin), height());
    imgSplitter->setGeometry(x - margin, 0, margin + px(60, this), height());
    Frame1->setGeometry(x + px(80, this), 0, std::max(0, width() - x - px(80, this)), height());
}

void frmListPatient::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    SizeControls(m_splitterTwips);
}

void frmListPatient::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Work starts by typing a name; rows found take the focus themselves.
    if (m_model->rowCount() == 0)
        txtLastname->setFocus();
}

void frmListPatient::beginSplitterDrag()
{
    m_dragging = true;
    picSplitter->setGeometry(imgSplitter->x(), imgSplitter->y(), std::max(2, imgSplitter->width() / 2),
        std::max(0, imgSplitter->height() - 20));
    picSplitter->show();
    picSplitter->raise();
}

void frmListPatient::dragSplitterTo(int windowX)
{
    if (!m_dragging)
        return;
    const int low = px(500, this);
    const int high = width() - px(500, this);
    picSplitter->move(std::max(low, std::min(windowX, high)), picSplitter->y());
}

void frmListPatient::endSplitterDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    SizeControls(int(picSplitter->x() * 15.0 * 96.0 / std::max(1, logicalDpiX())));
    picSplitter->hide();
}

void frmListPatient::setLinkHover(bool hover)
{
    lblMSS->setStyleSheet(hover
            ? QStringLiteral("color: rgb(255,255,0); text-decoration: underline; font-weight: bold;")
            : QStringLiteral("color: rgb(192,192,255); text-decoration: none; font-weight: bold;"));
    lblMSS->setCursor(hover ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

bool frmListPatient::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblMSS) {
        if (event->type() == QEvent::Enter)
            setLinkHover(true);
        else if (event->type() == QEvent::MouseButtonRelease) {
            m_selection.IDNUM.clear();
            m_selection.HospNum.clear();
            loadMssFromBoxes();
            m_selection.PatientType = QStringLiteral("5");
        }
    } else if (watched == Frame4 && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        setLinkHover(false);
    } else if (watched == imgSplitter) {
        if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            beginSplitterDrag();
        else if (event->type() == QEvent::MouseMove)
            dragSplitterTo(imgSplitter->x() + int(static_cast<QMouseEvent *>(event)->position().x()));
        else if (event->type() == QEvent::MouseButtonRelease)
            endSplitterDrag();
    } else if (watched == lvwSearchPatient && event->type() == QEvent::FocusIn) {
        takeRowOnFocus(static_cast<QFocusEvent *>(event)->reason());
    }
    return QWidget::eventFilter(watched, event);
}

void frmListPatient::closeEvent(QCloseEvent *event)
{
    m_selection.IDNUM.clear();
    m_selection.HospNum.clear();
    m_selection.RoomID.clear();
    m_selection.MSSID.clear();
    m_selection.PatientName.clear();
    event->accept();
}

} // namespace mss::patients
