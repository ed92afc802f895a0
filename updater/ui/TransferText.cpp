// SPDX-License-Identifier: MIT
#include "TransferText.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>

namespace TransferText {

QString progressLabel(qint64 bytes, qint64 total, int elapsedSeconds)
{
    if (total < 1)
        total = 1;
    const double e = elapsedSeconds > 0 ? elapsedSeconds : 1;
    const double b = double(bytes);
    const long long rate = std::llround(b / e / 1000.0);
    const QString rateText = rate == 0 ? QString() : QString::number(rate);
    QString minutesText;
    if (bytes <= 0) {
        minutesText = QCoreApplication::translate("TransferText", "not known yet");
    } else {
        const double m = (double(total) - b) / (b / (e / 60.0));
        if (m > 1)
            minutesText = QCoreApplication::translate("TransferText", "%1 minutes").arg(std::llround(m));
        else
            // One decimal with a leading 0; a whole number shows without a dangling point.
            minutesText = QCoreApplication::translate("TransferText", "%1 minutes")
                              .arg(QString::number(std::round(m * 10.0) / 10.0, 'f', 1)
                                       .replace(QRegularExpression(QStringLiteral("\\.0$")), QString()));
    }
    return QCoreApplication::translate(
               "TransferText", "(%1) bytes of %2 received at %3 kbits/sec\nEstimated time remaining: %4")
        .arg(bytes)
        .arg(total)
        .arg(rateText, minutesText);
}

std::optional<QString> supportPackageFile(const QString &text)
{
    const QString t = text.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    const int n = t.toInt();
    if (n < 1 || n > 999999)
        return std::nullopt;
    return t + QStringLiteral(".ZIP");
}

} // namespace TransferText
