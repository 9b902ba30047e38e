#pragma once

#include "HistoryArchive.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

// How an export's lines are laid out in the archive. A month of a million lines is a few
// hundred rows, not a million: the lines go in blocks of consecutive lines, and each search
// key (insurance number, account) in sorted blocks of (key, position) with their first and
// last key as columns, so that the database finds the few blocks that can hold a key through
// an ordinary index. Recording a month is then a matter of packing and writing ~100 MB.
//
// A line block: a format byte, the line count, then per line the net and the yield (signed
// variable-length integers) and six texts (variable-length byte count, UTF-8): caption,
// account, key, insurance number, name, contract type.
// An index block: a format byte, the entry count, then per entry the key (byte count,
// UTF-8) and the line's position in the export.
// A names block: the folded names of a line block's lines, UTF-8, one per line ending '\n'.
namespace ArchiveBlocks
{

constexpr int LinesPerBlock = 4096;

// Thrown when a block is not one this program wrote.
struct DamagedBlock {
};
constexpr int EntriesPerIndexBlock = 4096;

// Which key an index block sorts.
enum class Key : int { Insurance = 1, Account = 2 };

// The form an account is indexed and searched by: without its leading zeros.
QByteArray accountKey(QStringView account);

// Adds a line to the body of a block under way.
void appendLine(QByteArray &body, const ArchivedLineView &line);
// The block of the count lines appended to body.
QByteArray lineBlock(QByteArrayView body, int count);
// Throws UserError (its message says what is damaged) when the block is not one of ours.
std::vector<ArchivedLine> readLines(QByteArrayView block);
// Only the line at index (within the block).
ArchivedLine readLine(QByteArrayView block, int index);

struct IndexBlock {
    QByteArray firstKey, lastKey, entries;
};

// Collects keys with their line positions, then sorts them into blocks.
class IndexBuilder
{
public:
    void reserve(size_t lines, size_t bytes);
    void add(QByteArrayView key, uint32_t position);
    std::vector<IndexBlock> blocks();

private:
    struct Entry {
        uint32_t offset;
        uint32_t size;
        uint32_t position;
    };
    QByteArray m_keys;
    std::vector<Entry> m_entries;
};

// The positions an index block holds for key, in order.
std::vector<uint32_t> positionsOf(QByteArrayView block, QByteArrayView key);

// The positions (within the block) of the lines whose folded name contains needle.
std::vector<int> namesContaining(QByteArrayView namesBlock, QByteArrayView needle);

} // namespace ArchiveBlocks
