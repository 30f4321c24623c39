#pragma once

#include <QDialog>
#include <QHash>

#include <memory>

class QLabel;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class CataloguePicker;
}
namespace mss::data {
class Connection;
}
namespace mss::referral {

struct Catalogue;

// What tells the service picker and the activity picker apart.
struct PickerKind {
    QString caption;
    QString heading; // empty: no heading
    QString chosenListName;
    bool removeOnSingleClick = false;
    const Catalogue *catalogue = nullptr;
};

// A catalogue of the department shown as a tree, beside the list of items chosen so far.
// Double-clicking a tree entry adds it to the list; OK hands the list back as a code text.
class CataloguePicker : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString ResultCode READ ResultCode WRITE setResultCode)
    Q_PROPERTY(bool Selected READ Selected)

public:
    CataloguePicker(const PickerKind &kind, data::Connection &connection, QWidget *parent = nullptr);
    ~CataloguePicker() override;

    QString ResultCode() const { return m_resultCode; }
    void setResultCode(const QString &codes) { m_resultCode = codes; }
    bool Selected() const { return m_selected; }

    // Builds the tree to its opening depth and the chosen list from ResultCode.
    void load();
    // Double-clicking a tree node: expands it with its children and chooses it.
    void chooseNode(QTreeWidgetItem *node);
    // Removes every chosen item with the code of the one given.
    void removeChosen(QListWidgetItem *item);
    void accept() override;

    // The tree node with a key ("A" + code), or null.
    QTreeWidgetItem *node(const QString &key) const { return m_nodes.value(key); }
    // The code a node's key stands for.
    static QString codeOfKey(const QString &key);

    QLabel *lblHeading = nullptr;
    QTreeWidget *tvServices = nullptr;
    QGroupBox *fraSelected = nullptr;
    QListWidget *lstChosen = nullptr;
    QLabel *lblHint = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

protected:
    // The code and text of the node chosen last.
    QString m_lastCode;
    QString m_lastText;

private:
    // Adds the children of a code under its node; those already in the tree are left alone.
    void addChildren(const QString &parentCode, QTreeWidgetItem *parent);
    QTreeWidgetItem *addNode(const QString &code, const QString &text, QTreeWidgetItem *parent);
    bool isChosen(const QString &code) const;
    void addChosen(const QString &code, const QString &text);

    std::unique_ptr<Ui::CataloguePicker> m_ui;
    PickerKind m_kind;
    data::Connection &m_connection;
    QHash<QString, QTreeWidgetItem *> m_nodes;
    QString m_resultCode;
    bool m_selected = false;
};

// The services rendered to a patient.
class frmSearchService final : public CataloguePicker {
    Q_OBJECT
    Q_PROPERTY(QString ServiceCode READ ServiceCode)
    Q_PROPERTY(QString Service READ Service)

public:
    explicit frmSearchService(data::Connection &connection, QWidget *parent = nullptr);
    QString ServiceCode() const { return m_lastCode; }
    QString Service() const { return m_lastText; }
    QListWidget *lstServices = nullptr;
};

// The social worker's activities on a case.
class frmSearchActivity final : public CataloguePicker {
    Q_OBJECT
    Q_PROPERTY(QString ActivityCode READ ActivityCode)
    Q_PROPERTY(QString Activity READ Activity)

public:
    explicit frmSearchActivity(data::Connection &connection, QWidget *parent = nullptr);
    QString ActivityCode() const { return m_lastCode; }
    QString Activity() const { return m_lastText; }
    QListWidget *lstactivity = nullptr;
};

} // namespace mss::referral
