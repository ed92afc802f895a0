// SPDX-License-Identifier: MIT
#include "frmAbout.h"

#include "AppIcon.h"
#include "common/core/AppInfo.h"
#include "common/core/Platform.h"
#include "common/core/UiServices.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

QFrame *etchedLine(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken); // a dark and a light line side by side
    return line;
}

QLabel *iconLabel(QWidget *parent, const QIcon &icon)
{
    auto *pic = new QLabel(parent);
    pic->setObjectName(QStringLiteral("picIcon"));
    pic->setPixmap(icon.pixmap(48, 48));
    pic->setAlignment(Qt::AlignTop);
    return pic;
}

} // namespace

frmAbout::frmAbout(Program program, QWidget *owner) : QDialog(owner), m_program(program)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setMinimumWidth(360);
    if (program == Program::Catalogue)
        buildCatalogue();
    else
        buildUpdater();
}

QString frmAbout::versionText(int major, int minor, int revision)
{
    return tr("Version %1.%2.%3")
        .arg(QString::number(major), QString::number(minor), QString::number(revision));
}

QLabel *frmAbout::addLabel(const char *name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton *frmAbout::addButton(const char *name, const QString &text)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLabel *frmAbout::addTitle(const QString &text)
{
    QLabel *title = addLabel("lblTitle", text);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    title->setFont(big);
    return title;
}

// The program icon beside the title and its version line.
QHBoxLayout *frmAbout::headerRow(QLabel *title, QLabel *version)
{
    auto *texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(
        iconLabel(this, m_program == Program::Catalogue ? AppIcon::catalogue() : AppIcon::updater()));
    top->addLayout(texts, 1);
    return top;
}

void frmAbout::buildCatalogue()
{
    setWindowTitle(tr("About %1").arg(AppInfo::catalogueTitle()));
    QLabel *title = addTitle(AppInfo::catalogueTitle());
    QLabel *version =
        addLabel("lblVersion", versionText(AppInfo::kMajor, AppInfo::kMinor, AppInfo::kRevision));
    QPushButton *ok = addButton("cmdOK", tr("OK"));
    QPushButton *sysInfo = addButton("cmdSysInfo", tr("&System Info..."));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this, [] { StartSysInfo(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(headerRow(title, version), 1);
    outer->addWidget(etchedLine(this, "Line1"));
    outer->addLayout(buttons);
}

void frmAbout::buildUpdater()
{
    setWindowTitle(tr("About this application"));
    QLabel *title = addTitle(AppInfo::updaterTitle());
    QLabel *release =
        addLabel("lblRelease", versionText(AppInfo::kMajor, AppInfo::kMinor, AppInfo::kRevision));
    QLabel *rights = addLabel("Label2", tr("Copyright \u00A9 Vantelo. All rights reserved."));
    QLabel *support =
        addLabel("Label1", tr("For technical support, see Help > Contents or contact Vantelo support."));
    rights->setWordWrap(true);
    support->setWordWrap(true);
    QPushButton *ok = addButton("cmdOK", tr("&OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(headerRow(title, release));
    outer->addWidget(etchedLine(this, "Line1"));
    outer->addWidget(rights);
    outer->addWidget(support);
    outer->addWidget(etchedLine(this, "Line2"));
    outer->addLayout(buttons);
}

void frmAbout::showCatalogueAbout(QWidget *owner)
{
    frmAbout box(Program::Catalogue, owner);
    box.exec();
}

void frmAbout::showUpdaterAbout(QWidget *owner)
{
    static QPointer<frmAbout> s_ownerless;
    frmAbout *box = owner
                        ? owner->findChild<frmAbout *>(QStringLiteral("frmAbout"), Qt::FindDirectChildrenOnly)
                        : s_ownerless.data();
    if (!box) {
        box = new frmAbout(Program::Updater, owner);
        if (!owner)
            s_ownerless = box;
    }
    box->exec();
}

bool frmAbout::GetKeyValue(RegRoot KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    KeyVal.clear();
    // Read-only: asking for write rights would fail for every user who may only read
    // the machine's settings, and the tool would never be found.
    const RegKey key = RegKey::open(KeyRoot, KeyName);
    if (!key)
        return false;
    const auto value = key.value(SubKeyRef);
    if (!value)
        return false;
    if (value->type == REG_SZ || value->type == REG_EXPAND_SZ) {
        KeyVal = QString::fromUtf8(value->data);
        const qsizetype nul = KeyVal.indexOf(QChar(0));
        if (nul >= 0)
            KeyVal.truncate(nul);
    }
    return true;
}

QStringList frmAbout::sysInfoFallbacks()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")};
}

void frmAbout::StartSysInfo()
{
    QString path;
    QString value;
    if (GetKeyValue(RegRoot::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), value)) {
        // Used as it stands, even when it names nothing: starting it then fails.
        const QString found = Platform::findPathNoCase(Platform::toLocalPath(value));
        path = found.isEmpty() ? Platform::toLocalPath(value) : found;
    } else if (GetKeyValue(RegRoot::LocalMachine,
                           QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"), value)) {
        const QString folder = Platform::toLocalPath(value);
        for (const QString &name : {QStringLiteral("/MSINFO32.EXE"), QStringLiteral("/MSINFO32")}) {
            const QString found = Platform::findPathNoCase(folder + name);
            if (!found.isEmpty() && Platform::FileExists(found)) {
                path = found;
                break;
            }
        }
    }
    if (path.isEmpty()) {
        for (const QString &program : sysInfoFallbacks()) {
            path = QStandardPaths::findExecutable(program);
            if (!path.isEmpty())
                break;
        }
    }
    if (path.isEmpty() || !ui().startProcess(path, {})) {
        MsgBox(tr("System Information Is Unavailable At This Time"), MsgIcon::None, MsgButtons::Ok,
               AppInfo::catalogueTitle());
    }
}
