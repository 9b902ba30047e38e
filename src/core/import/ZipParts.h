#pragma once

#include "SheetReaders.h"
#include "model/UserError.h"

#include <QByteArray>
#include <QString>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace orcus
{
class zip_archive;
class zip_archive_stream_blob;
} // namespace orcus

namespace WorkbookImport
{

// The parts of a zip workbook, read with liborcus's zip reader. A damaged archive throws
// UserError naming the file.
class ZipParts final
{
public:
    ZipParts(const QByteArray &bytes, const QString &path);
    ~ZipParts();

    bool has(std::string_view name) const;
    // The part inflated; false when the archive has no such part.
    bool read(std::string_view name, std::vector<unsigned char> &out) const;

private:
    std::unique_ptr<orcus::zip_archive_stream_blob> m_stream;
    std::unique_ptr<orcus::zip_archive> m_archive;
    std::vector<std::string> m_names;
    QString m_path;
};

// Runs parse(); a malformed part (any library error) throws UserError naming the file and
// the part.
template <class Parse> void parsePart(const QString &path, std::string_view part, Parse &&parse)
{
    try {
        parse();
    } catch (const UserError &) {
        throw;
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        damaged(path, QString::fromUtf8(part.data(), qsizetype(part.size())) +
                          QStringLiteral(" : ") + QString::fromUtf8(e.what()));
    }
}

// The part name a relationship target points at, from the folder of the part that holds it.
std::string resolvedTarget(std::string_view folder, std::string_view target);

} // namespace WorkbookImport
