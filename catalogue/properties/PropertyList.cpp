// SPDX-License-Identifier: MIT
#include "PropertyList.h"

#include "common/core/modRegistry.h"

#include <cmath>

#include <QCoreApplication>

PropertyList::PropertyList()
{
    reset();
}

void PropertyList::reset()
{
    m_items = {PropertyItem{}};
}

const PropertyItem *PropertyList::find(int index) const
{
    if (index < 1 || index >= m_items.size())
        return nullptr;
    return &m_items[index];
}

Result<> PropertyList::AddProperty(const QString &strGroup, const QString &strCategory,
                                   const QString &strName, qint16 kind, const QString &strDefault)
{
    PropertyItem item{strCategory, strName, kind, {}, strDefault};
    const QString v = modRegistry::GetProperty(strGroup, strCategory, strName, strDefault);
    QString problem;
    if (kind == PropertyKind::Color) {
        if (const auto n = parseColor(v)) {
            item.varValue = FormatColor(*n);
        } else {
            item.varValue = v;
            problem =
                QCoreApplication::translate(
                    "PropertyList", "The colour \"%1\" of \"%2\" (%3) is not a number. It is shown as it "
                                    "is stored; choose a colour to replace it.")
                    .arg(v, strName, strCategory);
        }
    } else {
        item.varValue = v;
    }
    m_items << item;
    if (!problem.isEmpty())
        return fail(problem);
    return {};
}

QString FormatColor(qint32 n)
{
    return QStringLiteral("      ") + QString::number(n);
}

std::optional<qint32> parseColor(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const qint32 n = t.toInt(&ok, 10);
    if (ok)
        return n;
    // A number with a fraction is rounded, as converting it to a whole number would.
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d) && d >= -2147483648.0 && d <= 2147483647.0)
        return qint32(std::lround(d));
    return std::nullopt;
}

std::optional<QString> NextChoice(const QString &text, const QString &choiceList)
{
    QString list = choiceList.startsWith(u'|') ? choiceList.mid(1) : choiceList;
    const qsizetype p = list.indexOf(text, 0, Qt::CaseSensitive);
    if (p < 0)
        return std::nullopt;
    const qsizetype bar = list.indexOf(u'|', p);
    if (bar >= 0)
        list = list.mid(bar + 1);
    const qsizetype first = list.indexOf(u'|');
    if (first >= 0)
        list = list.left(first);
    return list;
}
