#include "help/helpwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace mss::help {

namespace {

QString plainText(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QTextDocument document;
    document.setHtml(QString::fromUtf8(in.readAll()));
    return document.toPlainText();
}

QToolButton *toolButton(QWidget *parent, const char *name, const QString &text, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

HelpWindow::HelpWindow(const QString &folder, QWidget *parent) : QWidget(parent, Qt::Window), m_folder(folder)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Medical Social Service Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 650);

    cmdBack = toolButton(this, "cmdBack", QStringLiteral("< &Back"), QStringLiteral("The page shown before"));
    cmdForward = toolButton(this, "cmdForward", QStringLiteral("&Forward >"), QStringLiteral("The next page again"));
    cmdContents = toolButton(this, "cmdContents", QStringLiteral("&Contents"), QStringLiteral("The guide's contents"));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Search the guide"));
    txtSearch->setClearButtonEnabled(true);
    cmdFind
        = toolButton(this, "cmdFind", QStringLiteral("F&ind"), QStringLiteral("Find the next place the word stands"));
    lblSearch = new QLabel(this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setOpenExternalLinks(true);
    txtHelp->setSearchPaths({ m_folder });

    auto *bar = new QHBoxLayout;
    bar->addWidget(cmdBack);
    bar->addWidget(cmdForward);
    bar->addWidget(cmdContents);
    bar->addSpacing(16);
    bar->addWidget(txtSearch, 1);
    bar->addWidget(cmdFind);
    bar->addWidget(lblSearch);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(txtHelp, 1);

    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(txtHelp, &QTextBrowser::backwardAvailable, cmdBack, &QWidget::setEnabled);
    connect(txtHelp, &QTextBrowser::forwardAvailable, cmdForward, &QWidget::setEnabled);
    connect(cmdBack, &QToolButton::clicked, txtHelp, &QTextBrowser::backward);
    connect(cmdForward, &QToolButton::clicked, txtHelp, &QTextBrowser::forward);
    connect(cmdContents, &QToolButton::clicked, this, [this] { showTopic({ contentsPage(), QString() }); });
    connect(txtHelp, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) { m_anchor = url.fragment(); });
    const auto search = [this] { find(txtSearch->text()); };
    connect(cmdFind, &QToolButton::clicked, this, search);
    connect(txtSearch, &QLineEdit::returnPressed, this, search);
}

void HelpWindow::showTopic(const HelpTopic &topic)
{
    QUrl url = QUrl::fromLocalFile(QDir(m_folder).filePath(topic.page));
    if (!topic.anchor.isEmpty())
        url.setFragment(topic.anchor);
    txtHelp->setSource(url);
    m_anchor = topic.anchor;
}

QString HelpWindow::currentPage() const
{
    return QFileInfo(txtHelp->source().toLocalFile()).fileName();
}

QStringList HelpWindow::pages() const
{
    // The chapters' file names begin with their number, so the name order is the guide's.
    return QDir(m_folder).entryList({ QStringLiteral("*.html") }, QDir::Files, QDir::Name);
}

bool HelpWindow::find(const QString &word)
{
    const QString wanted = word.trimmed();
    lblSearch->clear();
    if (wanted.isEmpty())
        return false;
    if (txtHelp->find(wanted))
        return true;
    const QStringList all = pages();
    const qsizetype here = all.indexOf(currentPage());
    for (qsizetype step = 1; step < all.size(); ++step) {
        const QString page = all[(here + step) % all.size()];
        if (plainText(QDir(m_folder).filePath(page)).contains(wanted, Qt::CaseInsensitive)) {
            showTopic({ page, QString() });
            txtHelp->moveCursor(QTextCursor::Start);
            return txtHelp->find(wanted);
        }
    }
    // Round to the start of this page: the word may stand above where the search began.
    txtHelp->moveCursor(QTextCursor::Start);
    if (txtHelp->find(wanted))
        return true;
    lblSearch->setText(QStringLiteral("Not in the guide: %1").arg(wanted));
    return false;
}

} // namespace mss::help
