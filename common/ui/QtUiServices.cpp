// SPDX-License-Identifier: MIT
#include "QtUiServices.h"

#include "modHHSubclass.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// How long the desktop opener gets to say that no program takes a file.
constexpr int kOpenerAnswerMs = 3000;

QWidget *owner()
{
    return QApplication::activeWindow();
}

struct ButtonSpec {
    QMessageBox::StandardButton button;
    MsgAnswer answer;
};

QList<ButtonSpec> buttonsOf(MsgButtons b)
{
    using SB = QMessageBox::StandardButton;
    switch (b) {
    case MsgButtons::Ok: return {{SB::Ok, MsgAnswer::Ok}};
    case MsgButtons::OkCancel: return {{SB::Ok, MsgAnswer::Ok}, {SB::Cancel, MsgAnswer::Cancel}};
    case MsgButtons::YesNo: return {{SB::Yes, MsgAnswer::Yes}, {SB::No, MsgAnswer::No}};
    case MsgButtons::YesNoCancel:
        return {{SB::Yes, MsgAnswer::Yes}, {SB::No, MsgAnswer::No}, {SB::Cancel, MsgAnswer::Cancel}};
    case MsgButtons::RetryCancel: return {{SB::Retry, MsgAnswer::Retry}, {SB::Cancel, MsgAnswer::Cancel}};
    case MsgButtons::AbortRetryIgnore:
        return {
            {SB::Abort, MsgAnswer::Abort}, {SB::Retry, MsgAnswer::Retry}, {SB::Ignore, MsgAnswer::Ignore}};
    }
    return {{SB::Ok, MsgAnswer::Ok}};
}

QMessageBox::Icon iconOf(MsgIcon i)
{
    switch (i) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QColor fromBgr(unsigned c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
unsigned toBgr(const QColor &c)
{
    return unsigned(c.red()) | unsigned(c.green()) << 8 | unsigned(c.blue()) << 16;
}

// Appears once the task has run for the request's quiet time, so quick tasks flash nothing.
class DialogProgress final : public Progress {
public:
    explicit DialogProgress(ProgressRequest request) : m_request(std::move(request)) { m_timer.start(); }

    bool update(long long done, long long total) override
    {
        if (!m_dialog && m_timer.elapsed() >= m_request.quietMs)
            open();
        if (!m_dialog)
            return true;
        // A scale of its own: the dialog counts in int, a task in long long.
        m_dialog->setValue(total > 0 ? int(std::min(done, total) * kSteps / total) : 0);
        return !m_dialog->wasCanceled();
    }

private:
    static constexpr int kSteps = 1000;

    void open()
    {
        QWidget *parent = owner();
        m_dialog = std::make_unique<QProgressDialog>(m_request.text, m_request.cancelText, 0, kSteps, parent);
        if (m_request.cancelText.isEmpty())
            m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowTitle(m_request.title);
        // Modal, so that setValue lets the window repaint and the stop button be pressed.
        m_dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
    }

    ProgressRequest m_request;
    QElapsedTimer m_timer;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace

MsgAnswer QtUiServices::messageBox(const MessageBoxRequest &r)
{
    // Every box, not only MsgBox's, keeps its buttons on the screen.
    QMessageBox box(iconOf(r.icon), r.title, quotableText(r.text), QMessageBox::NoButton, owner());
    const QList<ButtonSpec> specs = buttonsOf(r.buttons);
    for (int i = 0; i < specs.size(); ++i) {
        QAbstractButton *b = box.addButton(specs[i].button);
        if (i == r.defaultButton)
            box.setDefaultButton(static_cast<QPushButton *>(b));
    }
    QAbstractButton *help = r.helpButton ? box.addButton(QMessageBox::Help) : nullptr;
    // Help opens the topic and leaves the question standing, as the desktop's boxes do.
    for (;;) {
        box.exec();
        if (!help || box.clickedButton() != help)
            break;
        modHHSubclass::ShowHelpTopic(r.helpTopic);
    }
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonSpec &s : specs)
        if (s.button == clicked)
            return s.answer;
    // Closed by Esc or the close box: the cancelling answer of the set.
    return specs.size() == 1 ? specs.front().answer : specs.back().answer;
}

namespace {

QString fileDialog(QWidget *owner, const FileDialogRequest &r, QFileDialog::FileMode mode,
                   QFileDialog::AcceptMode accept)
{
    QFileDialog dlg(owner, r.title, r.initialFolder);
    dlg.setFileMode(mode);
    dlg.setAcceptMode(accept);
    if (!r.filters.isEmpty()) {
        dlg.setNameFilters(r.filters);
        dlg.selectNameFilter(r.filters.value(r.filterIndex, r.filters.front()));
    }
    if (!r.initialFile.isEmpty())
        dlg.selectFile(r.initialFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().front();
}

} // namespace

QString QtUiServices::openFile(const FileDialogRequest &r)
{
    return fileDialog(owner(), r, QFileDialog::ExistingFile, QFileDialog::AcceptOpen);
}

QString QtUiServices::saveFile(const FileDialogRequest &r)
{
    return fileDialog(owner(), r, QFileDialog::AnyFile, QFileDialog::AcceptSave);
}

QString QtUiServices::browseForFolder(const QString &title, const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(owner(), title, startFolder, QFileDialog::ShowDirsOnly);
}

std::optional<unsigned> QtUiServices::chooseColor(unsigned initial)
{
    const QColor c = QColorDialog::getColor(fromBgr(initial), owner());
    if (!c.isValid())
        return std::nullopt;
    return toBgr(c);
}

std::optional<FontChoice> QtUiServices::chooseFont(const FontChoice &initial)
{
    QFont f(initial.family);
    if (initial.pointSize > 0)
        f.setPointSizeF(initial.pointSize);
    f.setBold(initial.bold);
    f.setItalic(initial.italic);
    f.setUnderline(initial.underline);
    f.setStrikeOut(initial.strikeOut);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, f, owner());
    if (!ok)
        return std::nullopt;
    return FontChoice{chosen.family(), chosen.pointSizeF(), chosen.bold(),
                      chosen.italic(), chosen.underline(),  chosen.strikeOut()};
}

bool QtUiServices::openDocument(const QString &path)
{
    // Started detached, the desktop opener never tells that no program takes the file. It
    // says so within a second or two; a viewer it starts may keep it running for long, so
    // after a short wait (the window repainting, input held back) the opening counts.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    auto *process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(opener, {path});
    if (!process->waitForStarted(3000)) {
        process->deleteLater();
        return false;
    }
    QEventLoop wait;
    std::optional<bool> answer;
    QTimer::singleShot(kOpenerAnswerMs, &wait, &QEventLoop::quit);
    QObject::connect(process, &QProcess::finished, &wait, [&](int code, QProcess::ExitStatus status) {
        answer = status == QProcess::NormalExit && code == 0;
        wait.quit();
    });
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::restoreOverrideCursor();
    return answer.value_or(true);
}

QString QtUiServices::chooseProgram(const QString &document)
{
    // The system's program folders, as the Open-With dialog offered its list of programs.
    QList<QUrl> places;
    for (const QString &folder :
         {QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/games"),
          QStringLiteral("/opt"), QDir::homePath() + QStringLiteral("/.local/bin")})
        if (QFileInfo(folder).isDir())
            places << QUrl::fromLocalFile(folder);
    QFileDialog dialog(
        owner(),
        QCoreApplication::translate("QtUiServices", "Open With - %1").arg(QFileInfo(document).fileName()),
        QStringLiteral("/usr/bin"));
    dialog.setOption(QFileDialog::DontUseNativeDialog); // the side bar of program folders needs Qt's own
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setSidebarUrls(places);
    dialog.setHistory({});
    dialog.resize(760, 480);
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("QtUiServices", "Open"));
    dialog.setLabelText(QFileDialog::FileName, QCoreApplication::translate("QtUiServices", "Program:"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool QtUiServices::startProcess(const QString &program, const QStringList &arguments,
                                const QString &workingFolder)
{
    return QProcess::startDetached(program, arguments, workingFolder);
}

std::unique_ptr<Progress> QtUiServices::progress(const ProgressRequest &request)
{
    return std::make_unique<DialogProgress>(request);
}

std::optional<QList<int>> QtUiServices::showTable(const TableRequest &request)
{
    QDialog dialog(owner());
    dialog.setWindowTitle(request.title);
    auto *layout = new QVBoxLayout(&dialog);
    if (!request.text.isEmpty())
        layout->addWidget(new QLabel(request.text, &dialog));
    auto *table = new QTableWidget(int(request.rows.size()), int(request.headings.size()), &dialog);
    table->setHorizontalHeaderLabels(request.headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(request.acceptText.isEmpty() ? QAbstractItemView::SingleSelection
                                                         : QAbstractItemView::ExtendedSelection);
    table->verticalHeader()->hide();
    for (int r = 0; r < request.rows.size(); ++r)
        for (int c = 0; c < request.rows.at(r).size() && c < request.headings.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(request.rows.at(r).at(c)));
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    if (!request.rows.isEmpty())
        table->setCurrentCell(0, 0);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(&dialog);
    if (!request.acceptText.isEmpty()) {
        QPushButton *accept = buttons->addButton(request.acceptText, QDialogButtonBox::AcceptRole);
        accept->setDefault(true);
        buttons->addButton(QDialogButtonBox::Cancel);
    } else {
        buttons->addButton(QDialogButtonBox::Close);
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(760, 420);
    table->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QList<int> chosen;
    const QModelIndexList selected = table->selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        chosen << index.row();
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}
