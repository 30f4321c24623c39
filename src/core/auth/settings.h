#pragma once

#include <QList>
#include <QRect>
#include <QSettings>
#include <QString>

namespace mss::suite {

// The user's settings file and every key the program keeps in it. The file is plain text in the
// user's folder that names the hospital's server or folder, so it is kept private to the user,
// and no password is ever written to it: a connection string is stored without one.
class Settings {
public:
    Settings();

    // Log-on: where the data was, and who last logged on at this desk.
    bool logOnEmbedded() const;
    QString logOnFolder(const QString &fallback) const;
    // Not const: a password an older program stored is taken out of the file on the way.
    QString logOnConnectionString();
    void setLogOnSource(bool embedded, const QString &folder, const QString &connectionString);
    QString lastUserCode() const;
    void setLastUserCode(const QString &code);

    // Set once the program's demo folder has held a hospital: emptied later, it is a hospital
    // whose files went missing, not a first use.
    bool demoFolderHeldHospital() const;
    void setDemoFolderHeldHospital();

    // Windows and lists, per user, so one user's layout is not pressed on another at the same
    // desk. An empty user is kept apart as well.
    struct WindowPlace {
        QRect rect; // invalid when not stored
        bool maximized = false;
    };
    WindowPlace windowPlace(const QString &user, const QString &window) const;
    // A maximized window keeps the rectangle it had before, to go back to.
    void setWindowPlace(const QString &user, const QString &window, const QRect &normal, bool maximized);
    QList<int> columnWidths(const QString &user, const QString &list) const;
    void setColumnWidths(const QString &user, const QString &list, const QList<int> &widths);

    QString fileName() const;

private:
    void writeThrough();

    QSettings m_file;
};

} // namespace mss::suite
