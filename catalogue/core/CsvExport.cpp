// SPDX-License-Identifier: MIT
#include "CsvExport.h"

#include "DataArray.h"
#include "DbConnection.h"
#include "DbError.h"
#include "PartSearch.h"
#include "common/core/AppInfo.h"
#include "common/core/PosixHandles.h"
#include "common/core/UiServices.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace CsvExport {

namespace {

constexpr std::size_t kFlushBytes = 1 << 20;
constexpr int kBlockRows = 4096;

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The file being written: a hidden temporary name beside the target until commit() renames
// it; removed on every other way out.
class PendingFile {
public:
    explicit PendingFile(const QString &path) : m_target(QFile::encodeName(path))
    {
        const QFileInfo info(path);
        m_temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                   QStringLiteral(".XXXXXX"));
        m_fd = UniqueFd(::mkostemp(m_temp.data(), O_CLOEXEC));
        if (!m_fd)
            return;
        // mkostemp makes it private; the export is an ordinary file of the user's.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd.get(), 0666 & ~mask);
    }
    ~PendingFile()
    {
        if (!m_done && !m_temp.isEmpty())
            ::unlink(m_temp.constData());
    }
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    bool opened() const { return bool(m_fd); }

    bool write(std::string &buffer)
    {
        const char *p = buffer.data();
        std::size_t left = buffer.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd.get(), p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            left -= std::size_t(n);
        }
        buffer.clear();
        return true;
    }

    bool commit()
    {
        if (::fsync(m_fd.get()) != 0 || m_fd.close() != 0)
            return false;
        if (::rename(m_temp.constData(), m_target.constData()) != 0)
            return false;
        m_done = true;
        return true;
    }

private:
    QByteArray m_target;
    QByteArray m_temp;
    UniqueFd m_fd;
    bool m_done = false;
};

// The writing of one export: the header, then rows, then the rename.
class Export {
public:
    Export(const QString &path, long long total)
        : m_path(path), m_file(path), m_total(total),
          m_progress(ui().progress(ProgressRequest{
              AppInfo::catalogueTitle(),
              QCoreApplication::translate("CsvExport", "Exporting the parts to %1 ...").arg(path),
              QCoreApplication::translate("CsvExport", "Stop"), 700}))
    {
        m_buffer.reserve(kFlushBytes + 65536);
        m_buffer.append("\xEF\xBB\xBF");
    }

    Result<> opened() const
    {
        if (!m_file.opened())
            return fail(QCoreApplication::translate("CsvExport", "%1 cannot be written: %2")
                            .arg(m_path, systemReason()));
        return {};
    }

    void header(const QStringList &names)
    {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (i > 0)
                m_buffer.push_back(',');
            appendField(m_buffer, names.at(i).toStdString());
        }
        m_buffer.append("\r\n");
    }

    Result<> row(const DataArray &data, int r)
    {
        for (int f = 0; f < data.fieldCount(); ++f) {
            if (f > 0)
                m_buffer.push_back(',');
            appendField(m_buffer, data.utf8(f, r));
        }
        m_buffer.append("\r\n");
        ++m_rows;
        if (m_buffer.size() >= kFlushBytes) {
            if (!m_file.write(m_buffer))
                return fail(QCoreApplication::translate("CsvExport", "%1 cannot be written: %2")
                                .arg(m_path, systemReason()));
        }
        if ((m_rows & 1023) == 0 && !m_progress->update(m_rows, m_total))
            return stopped();
        return {};
    }

    Result<long long> finish()
    {
        if (!m_progress->update(m_rows, m_total))
            return stopped();
        if (!m_file.write(m_buffer) || !m_file.commit())
            return fail(QCoreApplication::translate("CsvExport", "%1 cannot be written: %2")
                            .arg(m_path, systemReason()));
        return m_rows;
    }

private:
    tl::unexpected<Error> stopped() const
    {
        return fail(QCoreApplication::translate("CsvExport", "The export was stopped: no file was written."),
                    kStopped);
    }

    QString m_path;
    PendingFile m_file;
    long long m_total;
    long long m_rows = 0;
    std::string m_buffer;
    std::unique_ptr<Progress> m_progress;
};

} // namespace

void appendField(std::string &out, std::string_view utf8)
{
    // A field that starts or ends with a space is quoted too: spreadsheet programs trim it
    // otherwise. So is one with a semicolon or a tab, which a reader finding the separator
    // from the header line would count.
    const bool quote = utf8.find_first_of(",;\t\"\r\n") != std::string_view::npos ||
                       (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quote) {
        out.append(utf8);
        return;
    }
    out.push_back('"');
    for (const char c : utf8) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

Result<long long> writeRows(const QString &path, const QStringList &names, const DataArray &data,
                            const std::vector<int> &rows)
{
    const long long total = rows.empty() ? data.rowCount() : static_cast<long long>(rows.size());
    Export out(path, total);
    if (auto ok = out.opened(); !ok)
        return tl::unexpected(ok.error());
    out.header(names);
    for (long long i = 0; i < total; ++i) {
        const int r = rows.empty() ? int(i) : rows.at(std::size_t(i));
        if (auto ok = out.row(data, r); !ok)
            return tl::unexpected(ok.error());
    }
    return out.finish();
}

Result<long long> writeQuery(const QString &path, const QString &sql, const QString &countSql)
{
    try {
        auto connection = DbConnection::open(g_DbConnect);
        long long total = 0;
        if (!countSql.isEmpty())
            total = connection->openRecordset(countSql)->value(0).toLongLong();
        auto rs = connection->openRecordset(sql);
        connection->readOnwardOnly();
        QStringList names;
        for (int f = 0; f < rs->fieldCount(); ++f)
            names << rs->fieldName(f);
        Export out(path, total);
        if (auto ok = out.opened(); !ok)
            return tl::unexpected(ok.error());
        out.header(names);
        DataArray block;
        bool end = rs->eof();
        while (!end) {
            block.clear();
            block.start(rs->fieldCount());
            end = rs->appendRows(block, kBlockRows);
            for (int r = 0; r < block.rowCount(); ++r)
                if (auto ok = out.row(block, r); !ok)
                    return tl::unexpected(ok.error());
        }
        return out.finish();
    } catch (const DbError &e) {
        return fail(
            QCoreApplication::translate("CsvExport", "The parts cannot be read: %1").arg(e.description));
    }
}

Result<long long> writeAllParts(const QString &path, const QString &displayFieldList)
{
    return writeQuery(path,
                      PartSearch::selectList(displayFieldList) + QStringLiteral(" from PARTS Order By 3"),
                      QStringLiteral("SELECT COUNT(*) FROM PARTS"));
}

} // namespace CsvExport
