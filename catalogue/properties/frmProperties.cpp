// SPDX-License-Identifier: MIT
#include "frmProperties.h"

#include "catalogue/grid/FlexGrid.h"
#include "common/core/AppInfo.h"
#include "common/core/Platform.h"
#include "common/core/UiServices.h"
#include "common/core/modRegistry.h"
#include "common/ui/FileOpenSave.h"
#include "common/ui/FormPlacement.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr int kOutlineCol = 0;
constexpr int kCategoryCol = 1;
constexpr int kNameCol = 2;
constexpr int kValueCol = 3;

const QString kButtonList = QStringLiteral("...");
const QString kBooleanList = QStringLiteral("True|False");
const char *const kChooseTitle = QT_TRANSLATE_NOOP("frmProperties", "Please choose a file");

QColor fromColorRef(qint32 n)
{
    // The stored numbers are 0x00BBGGRR: 255 is red.
    const auto u = quint32(n);
    return QColor(int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF));
}

QPixmap drawnFace(const std::function<void(QPainter &)> &paint)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return pm;
}

QLabel *hiddenImage(QWidget *parent, const char *name, const QPixmap &picture)
{
    auto *img = new QLabel(parent);
    img->setObjectName(QString::fromLatin1(name));
    img->setPixmap(picture);
    img->hide();
    return img;
}

} // namespace

frmProperties::frmProperties(QWidget *parent) : QDialog(parent), fg(new FlexGrid(this))
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(tr("Properties"));
    setModal(true);
    resize(420, 360);

    fg->setObjectName(QStringLiteral("fg"));
    auto *elastic = new QVBoxLayout(this); // ElasticOne1: the grid fills the window
    elastic->setObjectName(QStringLiteral("ElasticOne1"));
    elastic->setContentsMargins(0, 0, 0, 0);
    elastic->addWidget(fg);

    imgExplorer =
        hiddenImage(this, "imgExplorer", style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16));
    imgColorPick = hiddenImage(this, "imgColorPick", drawnFace([](QPainter &p) {
                                   const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
                                   for (int i = 0; i < 4; ++i)
                                       p.fillRect(QRect((i % 2) * 8, (i / 2) * 8, 8, 8), colors[i]);
                               }));
    imgFontPick = hiddenImage(this, "imgFontPick", drawnFace([](QPainter &p) {
                                  QFont f = p.font();
                                  f.setBold(true);
                                  f.setPixelSize(14);
                                  p.setFont(f);
                                  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
                              }));
    m_faceExplorer = QIcon(imgExplorer->pixmap());
    m_faceColor = QIcon(imgColorPick->pixmap());
    m_faceFont = QIcon(imgFontPick->pixmap());

    connect(fg, &FlexGrid::beforeRowColChange, this, &frmProperties::onBeforeRowColChange,
            Qt::DirectConnection);
    connect(fg, &FlexGrid::beforeUserResize, this, &frmProperties::onBeforeUserResize, Qt::DirectConnection);
    connect(fg, &FlexGrid::keyDown, this, &frmProperties::onKeyDown, Qt::DirectConnection);
    connect(fg, &FlexGrid::mouseDown, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &pos) { m_lastMouseDown = pos; });
    connect(fg, &FlexGrid::dblClick, this, &frmProperties::onDblClick);
    connect(fg, &FlexGrid::beforeEdit, this, &frmProperties::onBeforeEdit, Qt::DirectConnection);
    connect(fg, &FlexGrid::startEdit, this, &frmProperties::onStartEdit, Qt::DirectConnection);
    connect(fg, &FlexGrid::afterEdit, this, [this](int row, int) { storeRow(row); });
    connect(fg, &FlexGrid::comboCloseUp, this, [this](int row, int) { storeRow(row); });
    connect(fg, &FlexGrid::cellButtonClick, this, &frmProperties::onCellButtonClick);
    connect(fg, &FlexGrid::drawCell, this, &frmProperties::onDrawCell);
    fg->installEventFilter(this);

    // Load: placement, font list, group, an empty sheet.
    if (const auto placed = FormPlacement::RestoreFormPlacement(this); !placed)
        MsgBox(placed.error().message, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::catalogueTitle());
    QStringList fonts = QFontDatabase::families();
    fonts.removeDuplicates();
    m_fontList = fonts.isEmpty() ? QStringLiteral("|") : u'|' + fonts.join(u'|');
    m_strPropertyGroup = QStringLiteral("General");
    m_properties.reset();
    buildGrid();
}

frmProperties::~frmProperties()
{
    // The grid outlives this part of the window and may still end an edit as it goes.
    fg->disconnect(this);
}

QColor frmProperties::categoryColor() const
{
    return fg->palette().color(QPalette::Button);
}

void frmProperties::AddProperty(const QString &strGroup, const QString &strCategory, const QString &strName,
                                qint16 varPropertType, const QString &strDefault)
{
    const auto added = m_properties.AddProperty(strGroup, strCategory, strName, varPropertType, strDefault);
    if (!added)
        MsgBox(added.error().message, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::catalogueTitle());
}

void frmProperties::Init()
{
    buildGrid();
}

void frmProperties::buildGrid()
{
    fg->setRedraw(false);
    fg->removeCategoryRows();
    fg->setCols(4);
    fg->setFixedCols(0);
    fg->setRows(1);
    fg->setFixedRows(1);
    fg->clear();
    fg->setTextMatrix(0, kNameCol, tr("Property"));
    fg->setTextMatrix(0, kValueCol, tr("Value"));
    fg->setEditable(FlexGrid::EditMode::KeyboardMouse);
    fg->setOutlineCol(kOutlineCol);
    fg->setOwnerDraw(true);
    for (int c = 0; c < 4; ++c)
        fg->setColAlignment(c, Qt::AlignLeft | Qt::AlignVCenter);
    fg->setColWidth(kOutlineCol, 230);
    fg->setColUserResizable(kOutlineCol, false);
    fg->setColWidth(kCategoryCol, 0);
    fg->setColHidden(kCategoryCol, true);

    for (int i = 1; i <= m_properties.count(); ++i) {
        const PropertyItem &p = m_properties.item(i);
        const int row = fg->addItem({QString(), p.strCategory, p.strName, p.varValue});
        fg->setRowData(row, i);
    }
    fg->autoSize(kNameCol, kNameCol, 300);
    fg->horizontalHeader()->setStretchLastSection(true);
    fg->setRedraw(true);
    ShowCategories();
}

void frmProperties::ShowCategories()
{
    // Each step stands alone: a sheet without properties has no row 1 to go to.
    fg->setRedraw(false);
    fg->removeCategoryRows();
    if (m_blnSortAsAdded)
        fg->sort({kCategoryCol});
    else
        fg->sort({kCategoryCol, kNameCol});
    fg->insertCategoryRows(kCategoryCol, kNameCol, categoryColor(), true);
    fg->setColHidden(kOutlineCol, false);
    if (fg->rows() > 1)
        fg->setCurrentCell(1, kValueCol);
    fg->setRedraw(true);
}

const PropertyItem *frmProperties::itemAt(int row) const
{
    if (row < fg->fixedRows() || row >= fg->rows() || fg->isCategory(row))
        return nullptr;
    return m_properties.find(fg->rowData(row));
}

void frmProperties::storeRow(int row)
{
    const PropertyItem *item = itemAt(row);
    if (!item)
        return;
    const QString category = fg->textMatrix(row, kCategoryCol);
    const QString name = fg->textMatrix(row, kNameCol);
    const auto stored =
        modRegistry::StoreProperty(m_strPropertyGroup, category, name, fg->textMatrix(row, kValueCol));
    if (stored)
        return;
    // The row shows what the program will use, not a change that was never kept.
    QString kept = modRegistry::GetProperty(m_strPropertyGroup, category, name, item->strDefault);
    if (item->intType == PropertyKind::Color)
        if (const auto n = parseColor(kept))
            kept = FormatColor(*n);
    fg->setTextMatrix(row, kValueCol, kept);
    MsgBox(tr("The change of \"%1\" is not stored, because the settings file %2 cannot be written: %3. It "
              "keeps \"%4\".")
               .arg(name, hivePath(RegRoot::CurrentUser), stored.error().message, kept),
           MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::catalogueTitle());
}

void frmProperties::onBeforeRowColChange(int, int, int newRow, int newCol, bool *cancel)
{
    // Programmatic rebuilds move freely; a user's move lands on the value.
    if (!fg->redraw() || newCol == kValueCol)
        return;
    *cancel = true;
    fg->setCurrentCell(newRow, kValueCol);
}

void frmProperties::onBeforeUserResize(int, int col, bool *cancel)
{
    if (col == kOutlineCol)
        *cancel = true;
}

void frmProperties::onKeyDown(int key, Qt::KeyboardModifiers modifiers, bool *swallow)
{
    const int row = fg->row();
    const bool category = row >= fg->fixedRows() && fg->isCategory(row);
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Home:
        if (category)
            fg->setCollapsed(row, true);
        *swallow = true;
        return;
    case Qt::Key_Right:
    case Qt::Key_End:
        if (category)
            fg->setCollapsed(row, false);
        *swallow = true;
        return;
    default: break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z && (modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        *swallow = letterSearch(QChar(u'A' + (key - Qt::Key_A)));
}

bool frmProperties::letterSearch(QChar letter)
{
    const int current = fg->row();
    auto matches = [&](int r) {
        if (fg->isRowHidden(r))
            return false;
        const QString name = fg->textMatrix(r, kNameCol);
        return !name.isEmpty() && name.at(0).toUpper() == letter;
    };
    int found = -1;
    for (int r = current + 1; r < fg->rows() && found < 0; ++r)
        if (matches(r))
            found = r;
    for (int r = fg->fixedRows(); r < current && found < 0; ++r)
        if (matches(r))
            found = r;
    if (found < 0)
        return false;
    fg->setCurrentCell(found, kValueCol);
    fg->showCell(found, kValueCol);
    return true;
}

void frmProperties::onDblClick()
{
    const QModelIndex under = fg->indexAt(m_lastMouseDown);
    const int row = under.isValid() ? fg->gridModel()->gridRow(under) : fg->row();
    if (row < fg->fixedRows() || row >= fg->rows())
        return;
    if (fg->isCategory(row)) {
        fg->setCollapsed(row, !fg->isCollapsed(row));
        m_dblClickMarker.clear();
        return;
    }
    m_dblClickMarker = QStringLiteral("*");
    fg->editCell();
    m_dblClickMarker.clear();
    // A colour stored as a word is shown as it is, never converted or written back.
    const PropertyItem *item = itemAt(row);
    if (item && item->intType == PropertyKind::Color && !parseColor(fg->textMatrix(row, kValueCol)))
        return;
    storeRow(row);
}

void frmProperties::onBeforeEdit(int row, int col, bool *cancel)
{
    const PropertyItem *item = itemAt(row);
    if (col != kValueCol || !item) {
        *cancel = true;
        return;
    }
    QString list;
    const QIcon *picture = nullptr;
    switch (item->intType) {
    case PropertyKind::FontName: list = m_fontList; break;
    case PropertyKind::List: list = m_strModemList; break;
    case PropertyKind::Font:
        list = kButtonList;
        picture = &m_faceFont;
        break;
    case PropertyKind::Color:
        list = kButtonList;
        picture = &m_faceColor;
        break;
    case PropertyKind::File:
    case PropertyKind::Folder:
        list = kButtonList;
        picture = &m_faceExplorer;
        break;
    case PropertyKind::Boolean: list = kBooleanList; break;
    default: break;
    }
    fg->setComboList(list);
    // The grid asks again whenever its button or mode changes: change only what differs.
    if (picture && fg->cellButtonPicture().cacheKey() != picture->cacheKey())
        fg->setCellButtonPicture(*picture);
    const auto mode = list.isEmpty() ? FlexGrid::EditMode::KeyboardMouse : FlexGrid::EditMode::Keyboard;
    if (fg->editable() != mode)
        fg->setEditable(mode);
}

void frmProperties::onStartEdit(int row, int col, bool *cancel)
{
    const QString list = fg->comboList();
    if (!m_dblClickMarker.isEmpty() && !list.isEmpty() && list != kButtonList) {
        if (const auto next = NextChoice(fg->textMatrix(row, col), list)) {
            fg->setTextMatrix(row, col, *next);
            *cancel = true;
        }
    }
    m_dblClickMarker.clear();
}

void frmProperties::onCellButtonClick(int row, int col)
{
    const PropertyItem *item = itemAt(row);
    if (!item)
        return;
    switch (item->intType) {
    case PropertyKind::Color: {
        const qint32 initial = parseColor(fg->textMatrix(row, col)).value_or(0);
        // Cancelled: nothing changes and nothing is stored.
        if (const auto chosen = ui().chooseColor(unsigned(initial))) {
            fg->setTextMatrix(row, col, FormatColor(qint32(*chosen)));
            storeRow(row);
        }
        break;
    }
    case PropertyKind::File: {
        const QString path =
            FileOpenSave::GetOpenFile(Platform::programFolder(), tr(kChooseTitle), QString(), QString());
        if (!path.isEmpty()) {
            fg->setTextMatrix(row, col, path);
            storeRow(row);
        }
        break;
    }
    case PropertyKind::Folder: {
        const QString folder = FileOpenSave::BrowseForFolder(tr(kChooseTitle));
        if (!folder.isEmpty()) {
            fg->setTextMatrix(row, col, folder);
            storeRow(row);
        }
        break;
    }
    case PropertyKind::Font: {
        const QFont current = fg->gridModel()->effectiveFormat(row, col).font.value_or(fg->font());
        FontChoice initial{current.family(), current.pointSizeF(), current.bold(),
                           current.italic(), current.underline(),  current.strikeOut()};
        if (const auto chosen = ui().chooseFont(initial)) {
            QFont f(chosen->family);
            if (chosen->pointSize > 0)
                f.setPointSizeF(chosen->pointSize);
            f.setBold(chosen->bold);
            f.setItalic(chosen->italic);
            f.setUnderline(chosen->underline);
            f.setStrikeOut(chosen->strikeOut);
            fg->setTextMatrix(row, col, chosen->family);
            fg->setCellFont(row, col, row, col, f);
        }
        break;
    }
    default: break;
    }
}

void frmProperties::onDrawCell(QPainter *painter, int row, int col, const QRect &rect)
{
    const PropertyItem *item = itemAt(row);
    if (col != kValueCol || !item || item->intType != PropertyKind::Color)
        return;
    const QColor color = fromColorRef(parseColor(fg->textMatrix(row, col)).value_or(0));
    // From 2 right and 2 down of the corner to 15 right and 3 above the bottom, framed.
    const QRect swatch(QPoint(rect.left() + 2, rect.top() + 2),
                       QPoint(rect.left() + 15 - 1, rect.top() + rect.height() - 3 - 1));
    painter->save();
    painter->setPen(QPen(Qt::black, 1));
    painter->setBrush(color);
    painter->drawRect(swatch.adjusted(0, 0, -1, -1));
    painter->restore();
}

bool frmProperties::isEscapeThatCloses(const QKeyEvent *event) const
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    return event->key() == Qt::Key_Escape && mods != Qt::ControlModifier;
}

bool frmProperties::eventFilter(QObject *watched, QEvent *event)
{
    // Esc closes the sheet from anywhere except an open editor, which it cancels.
    if (watched == fg && event->type() == QEvent::KeyPress && !fg->isEditing()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            if (isEscapeThatCloses(key))
                close();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmProperties::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        if (isEscapeThatCloses(event))
            close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmProperties::done(int result)
{
    FormPlacement::SaveFormPlacement(this);
    QDialog::done(result);
}
