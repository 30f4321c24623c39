#pragma once

#include "patients/patientselection.h"

#include <QWidget>

#include <memory>

class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace Ui {
class frmListPatient;
}
namespace mss::data {
class Connection;
}

namespace mss::patients {

class PatientListModel;

// What a list's rows were searched with: the patient type, whether they are the MSS patients, and
// the five boxes. A list brought back searches with it again, so its rows and boxes agree.
struct ListSearch {
    int patientType = 0; // the option's index
    bool mssPatients = false;
    bool searched = false; // false: the list has shown no rows yet
    QString hospNum, lastName, idNum, firstName, middleName;
};

// The patient list: a search panel on the left, the matching admissions on the right, split by a
// draggable bar. Choosing a row sets the selection that the main window's commands read.
class frmListPatient final : public QWidget {
    Q_OBJECT

public:
    // The selection outlives the window; the list connection is the session's shared one and the
    // MSS patients list reads on the user's connection (the same object in this program).
    frmListPatient(PatientSelection &selection, data::Connection *listConnection, data::Connection *userConnection,
        QWidget *parent = nullptr);
    ~frmListPatient() override;

    // The main window's File menu, popped up by a right click on the list.
    void setFileMenu(QMenu *menu) { m_fileMenu = menu; }

    void SearchPatients(const QString &hospNum, const QString &lastName, const QString &idNum, const QString &firstName,
        const QString &middleName);
    void LoadMssPatients(const QString &hospNum, const QString &lastName, const QString &idNum,
        const QString &firstName, const QString &middleName);
    void SelectCurrentPatient();
    // Lays the panels out for a splitter at x twips, kept 750 twips from either side.
    void SizeControls(int xTwips);
    // Runs the search the window runs on opening when the list button set the numbers.
    void searchOnOpening();
    // What the boxes and the option show now, and whether the list has searched.
    ListSearch currentSearch() const;
    // Puts a search back into the boxes and the option and runs it when it had been run.
    void repeatSearch(const ListSearch &search);

    const PatientSelection &selection() const { return m_selection; }
    PatientListModel *model() const { return m_model; }
    int splitterTwips() const { return m_splitterTwips; }

    // Splitter dragging in window pixels, as the grip's mouse events drive it.
    void beginSplitterDrag();
    void dragSplitterTo(int windowX);
    void endSplitterDrag();

    QFrame *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtLastname = nullptr;
    QLineEdit *txtHospNum = nullptr;
    QLineEdit *txtIDNum = nullptr;
    QLineEdit *txtFirstname = nullptr;
    QLineEdit *txtMiddleName = nullptr;
    QPushButton *cmdSearch = nullptr;
    QPushButton *cmdClose = nullptr;
    QLabel *lblRecCount = nullptr;
    QProgressBar *pbProgress = nullptr;
    QFrame *Frame4 = nullptr;
    QLabel *lblMSS = nullptr;
    QFrame *Frame2 = nullptr;
    QFrame *Frame3 = nullptr;
    QButtonGroup *optPatientType = nullptr;
    QFrame *Frame1 = nullptr;
    QTreeView *lvwSearchPatient = nullptr;
    QFrame *imgSplitter = nullptr;
    QFrame *picSplitter = nullptr;

signals:
    // The main window enables "Patient Datasheet" only for an in-patient admission.
    void patientDatasheetAvailable(bool available);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindControls();
    void setUpSearchPanel();
    void setUpList();
    void wireCommands();
    // "&Search": a search needs some text when all service patients are listed.
    void searchFromButton();
    void showFileMenu(const QPoint &pos);
    void fill(const QString &statement, data::Connection *connection, int filledColumns);
    void searchFromBoxes();
    void loadMssFromBoxes();
    // Back from the MSS patients, the patient type chosen before them is chosen again.
    void chooseTypeAgain();
    // Shows the row of the admission the selection holds as the selected one; when the rows do
    // not hold it, the selection lets it go, so no patient is held that the list does not show.
    void showHeldRow();
    // The list's focus picks its current row: the one it picks is shown selected.
    void takeRowOnFocus(Qt::FocusReason reason);
    void releaseHeldPatient();
    void setLinkHover(bool hover);

    std::unique_ptr<Ui::frmListPatient> m_ui;
    PatientSelection &m_selection;
    data::Connection *m_listConnection;
    data::Connection *m_userConnection;
    PatientListModel *m_model = nullptr;
    QMenu *m_fileMenu = nullptr;
    int m_splitterTwips = 4200;
    bool m_dragging = false;
    bool m_showingMss = false;
    int m_typeBeforeMss = 0; // the option chosen before the MSS patients were listed
    bool m_searched = false;
};

} // namespace mss::patients
