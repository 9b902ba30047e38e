#pragma once

#include "SheetReaders.h"
#include "model/UserError.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

class QuaZip;

namespace WorkbookImport
{

// A part of a zip workbook inflated whole, followed by a few NUL bytes: liborcus 0.17's XML
// parser may look one character past the end of a part cut short.
struct Part {
    static constexpr size_t Padding = 8;
    std::vector<char> bytes; // size() + Padding of them
    size_t size() const { return bytes.size() < Padding ? 0 : bytes.size() - Padding; }
    const char *data() const { return bytes.data(); }
};

// The parts of a zip workbook, inflated by QuaZip (minizip). A damaged archive throws
// UserError naming the file. No part is trusted with its declared size: one that declares
// or inflates to more than MaxPartBytes refuses the file as too large, before anything of
// that size is allocated.
class ZipParts final
{
public:
    // The reader holds a part whole; a sheet of a million rows needs a few hundred megabytes.
    static constexpr qint64 MaxPartBytes = qint64(1) << 30;

    ZipParts(const QByteArray &bytes, const QString &path);
    ~ZipParts();

    bool has(std::string_view name) const;
    // The part inflated; false when the archive has no such part.
    bool read(std::string_view name, Part &out) const;

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
    std::unique_ptr<QuaZip> m_zip;
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
