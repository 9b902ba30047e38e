#include "ZipParts.h"

#include "SheetReaders.h"
#include "import/WorkbookTexts.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <algorithm>

namespace WorkbookImport
{

ZipParts::ZipParts(const QByteArray &bytes, const QString &path) : m_bytes(bytes), m_path(path)
{
    m_buffer.setBuffer(&m_bytes);
    m_zip = std::make_unique<QuaZip>(&m_buffer);
    if (!m_zip->open(QuaZip::mdUnzip))
        damaged(path, QStringLiteral("archive illisible (%1)").arg(m_zip->getZipError()));
    for (bool more = m_zip->goToFirstFile(); more; more = m_zip->goToNextFile())
        m_names.push_back(m_zip->getCurrentFileName().toStdString());
    if (m_zip->getZipError() != UNZ_OK)
        damaged(path, QStringLiteral("archive illisible (%1)").arg(m_zip->getZipError()));
}

ZipParts::~ZipParts() = default;

bool ZipParts::has(std::string_view name) const
{
    return std::find(m_names.begin(), m_names.end(), name) != m_names.end();
}

bool ZipParts::read(std::string_view name, Part &out) const
{
    out.bytes.clear();
    if (!has(name)) return false;
    const QString partName = QString::fromUtf8(name.data(), qsizetype(name.size()));
    if (!m_zip->setCurrentFile(partName, QuaZip::csSensitive)) return false;
    auto tooLarge = [&] {
        throw UserError(
            Texts::filled(Texts::PartTooLarge(),
                          {Texts::shown(m_path), partName, QString::number(MaxPartBytes >> 20)}));
    };
    // The declared size is only a hint: a damaged entry may claim gigabytes for a few bytes,
    // so the buffer grows with what really comes out, and never past the limit.
    QuaZipFileInfo64 info;
    if (!m_zip->getCurrentFileInfo(&info))
        damaged(m_path,
                QStringLiteral("%1 illisible (%2)").arg(partName).arg(m_zip->getZipError()));
    const qint64 declared = qint64(info.uncompressedSize);
    if (info.uncompressedSize > quint64(MaxPartBytes)) tooLarge();
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly))
        damaged(m_path, QStringLiteral("%1 illisible (%2)").arg(partName).arg(file.getZipError()));
    out.bytes.reserve(size_t(std::clamp<qint64>(declared, 0, qint64(64) << 20)) + Part::Padding);
    constexpr qint64 Chunk = 1 << 20;
    qint64 size = 0;
    for (;;) {
        if (size + Chunk > qint64(out.bytes.size())) out.bytes.resize(size_t(size + Chunk));
        const qint64 got = file.read(out.bytes.data() + size, Chunk);
        if (got < 0)
            damaged(m_path,
                    QStringLiteral("%1 illisible (%2)").arg(partName).arg(file.getZipError()));
        if (got == 0) break;
        size += got;
        if (size > MaxPartBytes) tooLarge();
    }
    file.close();
    if (file.getZipError() != UNZ_OK)
        damaged(m_path, QStringLiteral("%1 illisible (%2)").arg(partName).arg(file.getZipError()));
    out.bytes.resize(size_t(size));
    out.bytes.resize(size_t(size) + Part::Padding, '\0');
    return true;
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
