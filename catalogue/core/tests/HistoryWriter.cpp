// SPDX-License-Identifier: MIT
// Edits one part's Qty without end, each value one more than the last: the test kills it.
#include "catalogue/core/DataArray.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"

#include <QCoreApplication>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    // Ends with the test, should the test end before it kills this.
    const pid_t parent = getppid();
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        return 3;
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    g_DbConnect = QString::fromLocal8Bit(argv[1]);
    const QString partId = QString::fromLocal8Bit(argv[2]);
    DataArray data;
    QStringList names;
    StructureArray record;
    if (modDB::LoadArray(QStringLiteral("Select * from parts where PartID = ") + partId, data, names,
                         record) != 0)
        return 1;
    long long qty =
        modDB::StoredValue(partId.toInt(), QStringLiteral("Qty")).value_or(QString()).toLongLong();
    for (;;) {
        if (modDB::UpdateField(partId.toInt(), QStringLiteral("Qty"), record, QString::number(qty + 1)))
            ++qty;
    }
}
