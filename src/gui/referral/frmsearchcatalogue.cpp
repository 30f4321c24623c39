#include "referral/frmsearchcatalogue.h"

#include "domain/arrrecord.h"
#include "domain/hiddenkey.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_cataloguepicker.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace mss::referral {

namespace {

// The catalogue opens to a fixed depth; deeper levels appear as the user double-clicks. The
// categories 1.1 to 1.8 hang under the first top-level entry, so its children come first: without
// them none of the others would find its parent in the tree.
const QStringList &openingParents()
{
    static const QStringList parents = { QStringLiteral("1"), QStringLiteral("1.1"), QStringLiteral("1.2"),
        QStringLiteral("1.2.3"), QStringLiteral("1.3"), QStringLiteral("1.3.2"), QStringLiteral("1.3.5"),
        QStringLiteral("1.4"), QStringLiteral("1.5"), QStringLiteral("1.6"), QStringLiteral("1.7"),
        QStringLiteral("1.8"), QStringLiteral("1.8.1"), QStringLiteral("1.8.2"), QStringLiteral("1.8.3") };
    return parents;
}

QString keyOf(const QString &code)
{
    return QStringLiteral("A") + code;
}

constexpr int kKeyRole = Qt::UserRole;

} // namespace

QString CataloguePicker::codeOfKey(const QString &key)
{
    return QString(key).remove(QLatin1Char('A')).trimmed();
}

CataloguePicker::CataloguePicker(const PickerKind &kind, data::Connection &connection, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CataloguePicker>()), m_kind(kind), m_connection(connection)
{
    m_ui->setupUi(this);
    lblHeading = m_ui->lblHeading;
    tvServices = m_ui->tvServices;
    fraSelected = m_ui->fraSelected;
    lstChosen = m_ui->lstChosen;
    lblHint = m_ui->lblHint;
    cmdOK = m_ui->cmdOK;
    cmdCancel = m_ui->cmdCancel;
    // What the kind decides. The tree's double-click handler toggles a node itself, and the codes
    // at the end of the chosen entries stay out of sight: the form says both.
    setWindowTitle(kind.caption);
    lblHeading->setText(kind.heading);
    lblHeading->setVisible(!kind.heading.isEmpty());
    lstChosen->setObjectName(kind.chosenListName);

    connect(cmdOK, &QPushButton::clicked, this, &CataloguePicker::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &CataloguePicker::reject);
    connect(tvServices, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        ui::runGuarded([this, item] { chooseNode(item); }, { .title = windowTitle() });
    });
    if (kind.removeOnSingleClick)
        connect(lstChosen, &QListWidget::itemClicked, this, &CataloguePicker::removeChosen);
    else
        connect(lstChosen, &QListWidget::itemDoubleClicked, this, &CataloguePicker::removeChosen);
}

CataloguePicker::~CataloguePicker() = default;

QTreeWidgetItem *CataloguePicker::addNode(const QString &code, const QString &text, QTreeWidgetItem *parent)
{
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvServices);
    item->setText(0, text);
    item->setData(0, kKeyRole, keyOf(code));
    m_nodes.insert(keyOf(code), item);
    return item;
}

void CataloguePicker::addChildren(const QString &parentCode, QTreeWidgetItem *parent)
{
    const ArrStore store(m_connection);
    for (const auto &[code, text] : store.children(*m_kind.catalogue, parentCode)) {
        if (!m_nodes.contains(keyOf(code)))
            addNode(code, text, parent);
    }
}

void CataloguePicker::load()
{
    tvServices->clear();
    m_nodes.clear();
    lstChosen->clear();
    m_selected = false;

    QTreeWidgetItem *last = nullptr;
    const ArrStore store(m_connection);
    for (const auto &[code, text] : store.children(*m_kind.catalogue, QStringLiteral("0")))
        last = addNode(code, text, nullptr);
    if (last)
        last->setExpanded(true);
    for (const QString &parent : openingParents()) {
        if (QTreeWidgetItem *node = m_nodes.value(keyOf(parent)))
            addChildren(parent, node);
    }

    for (const QString &code : domain::splitCodes(m_resultCode)) {
        if (const auto description = store.itemDescription(*m_kind.catalogue, code.trimmed()))
            addChosen(code, *description);
    }
}

bool CataloguePicker::isChosen(const QString &code) const
{
    for (int i = 0; i < lstChosen->count(); ++i) {
        if (domain::hiddenKey(lstChosen->item(i)->text(), domain::kCodeKeyWidth) == code)
            return true;
    }
    return false;
}

void CataloguePicker::addChosen(const QString &code, const QString &text)
{
    lstChosen->addItem(domain::withHiddenKey(text, code, domain::kPickerListBlanks));
}

void CataloguePicker::chooseNode(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const QString code = codeOfKey(node->data(0, kKeyRole).toString());
    node->setExpanded(!node->isExpanded());
    addChildren(code, node);

    m_lastCode = code;
    m_lastText = node->text(0);
    if (isChosen(code)) {
        ui::Messages::information(QStringLiteral("Item is already added in the list."), {}, this);
        return;
    }
    addChosen(code, node->text(0));
}

void CataloguePicker::removeChosen(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString code = domain::hiddenKey(item->text(), domain::kCodeKeyWidth);
    for (int i = lstChosen->count() - 1; i >= 0; --i) {
        if (domain::hiddenKey(lstChosen->item(i)->text(), domain::kCodeKeyWidth) == code)
            delete lstChosen->takeItem(i);
    }
}

void CataloguePicker::accept()
{
    QStringList codes;
    for (int i = 0; i < lstChosen->count(); ++i)
        codes.append(domain::hiddenKey(lstChosen->item(i)->text(), domain::kCodeKeyWidth));
    m_resultCode = domain::joinCodes(codes);
    m_selected = true;
    QDialog::accept();
}

frmSearchService::frmSearchService(data::Connection &connection, QWidget *parent)
    : CataloguePicker({ QStringLiteral("Select Service"), QStringLiteral("Medical Social Services"),
                          QStringLiteral("lstServices"), false, &Catalogue::services() },
        connection, parent)
{
    setObjectName(QStringLiteral("frmSearchService"));
    lstServices = lstChosen;
}

frmSearchActivity::frmSearchActivity(data::Connection &connection, QWidget *parent)
    : CataloguePicker({ QStringLiteral("Servies"), {}, QStringLiteral("lstactivity"), true, &Catalogue::activities() },
        connection, parent)
{
    setObjectName(QStringLiteral("frmSearchActivity"));
    lstactivity = lstChosen;
}

} // namespace mss::referral
