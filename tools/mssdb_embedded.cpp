#include "mssdb_embedded.h"

#include "data/dberror.h"
#include "db/hospitalcheck.h"

#include <QDir>

#include <iostream>
#include <string>

namespace mssdb {

namespace {

int usage(const char *message)
{
    std::cerr << "mss-db: " << message << "\n";
    return 2;
}

} // namespace

int checkCommand(const QStringList &args)
{
    if (args.size() != 1)
        return usage("check needs one folder");
    const QString folder = QDir(args[0]).absolutePath();
    const mss::data::HospitalCheck check = mss::data::checkHospitalDatabase(folder);
    for (const QString &verified : check.verified)
        std::cout << "verified: " << verified.toStdString() << "\n";
    for (const QString &note : check.notes)
        std::cout << "note: " << note.toStdString() << "\n";
    for (const QString &fault : check.faults)
        std::cout << "FAULT: " << fault.toStdString() << "\n";
    if (check.sound()) {
        // Only what was verified is claimed: outside a backup no checksum covers the stored values.
        std::cout << "No fault found in the files of the hospital database in " << folder.toStdString() << ".";
        if (!check.storedValuesVerified)
            std::cout << " Not verified: the stored values themselves (a changed letter in a name is not found).";
        std::cout << "\n";
        return 0;
    }
    std::cout << check.faults.size() << (check.faults.size() == 1 ? " fault" : " faults") << " found in "
              << folder.toStdString() << ".\n";
    return 1;
}

int backupCommand(const QStringList &args)
{
    if (args.size() != 2)
        return usage("backup needs the database folder and a new folder for the copy");
    // Opened as it is, without upgrading: a backup changes nothing in the source.
    mss::data::backupHospitalDatabase(args[0], args[1]);
    std::cerr << "Copied the hospital database in " << args[0].toStdString() << " to " << args[1].toStdString() << "\n";
    return 0;
}

QString readAnswer(const QString &prompt)
{
    std::cerr << prompt.toStdString() << std::flush;
    std::string line;
    if (!std::getline(std::cin, line))
        throw mss::data::DbError(
            0, QStringLiteral("mss-db"), QStringLiteral("No answer was given; nothing was created"));
    return QString::fromStdString(line).trimmed();
}

mss::data::HospitalSetUp askHospitalSetUp(
    const std::function<QString(const QString &option, const QString &prompt)> &answer,
    const std::function<QString()> &password)
{
    mss::data::HospitalSetUp setUp;
    setUp.hospitalName = answer(QStringLiteral("--hospital"), QStringLiteral("Hospital name: "));
    setUp.address1 = answer(QStringLiteral("--address"), QStringLiteral("Hospital address: "));
    setUp.address2 = answer(QStringLiteral("--address2"), QStringLiteral("Second address line (city, zip): "));
    setUp.administratorCode = answer(QStringLiteral("--admin"), QStringLiteral("First administrator's user code: "));
    setUp.administratorLastName = answer(QStringLiteral("--last"), QStringLiteral("Administrator's last name: "));
    setUp.administratorFirstName = answer(QStringLiteral("--first"), QStringLiteral("Administrator's first name: "));
    // Refused before the password is asked for, and before anything is created.
    if (const QString problem = mss::data::hospitalSetUpProblem(setUp, false); !problem.isEmpty())
        throw mss::data::DbError(0, QStringLiteral("mss-db"), problem + QStringLiteral(" Nothing was created."));
    setUp.administratorPassword = password();
    return setUp;
}

} // namespace mssdb
