#include "ZipParts.h"

#include "SheetReaders.h"

#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

namespace WorkbookImport
{

ZipParts::ZipParts(const QByteArray &bytes, const QString &path) : m_path(path)
{
    try {
        m_stream = std::make_unique<orcus::zip_archive_stream_blob>(
            reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        m_archive = std::make_unique<orcus::zip_archive>(m_stream.get());
        m_archive->load();
        const size_t count = m_archive->get_file_entry_count();
        for (size_t i = 0; i < count; ++i)
            m_names.emplace_back(m_archive->get_file_entry_name(i));
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        damaged(path, QString::fromUtf8(e.what()));
    }
}

ZipParts::~ZipParts() = default;

bool ZipParts::has(std::string_view name) const
{
    for (const std::string &n : m_names)
        if (n == name) return true;
    return false;
}

bool ZipParts::read(std::string_view name, std::vector<unsigned char> &out) const
{
    out.clear();
    if (!has(name)) return false;
    try {
        return m_archive->read_file_entry(name, out);
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        damaged(m_path, QString::fromUtf8(e.what()));
    }
}

std::string resolvedTarget(std::string_view folder, std::string_view target)
{
    std::string joined = target.starts_with('/') ? std::string(target.substr(1))
                                                 : std::string(folder) + std::string(target);
    // Fold "name/../" and "./" away.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        const size_t slash = std::min(joined.find('/', start), joined.size());
        const std::string part = joined.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string &p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

} // namespace WorkbookImport
