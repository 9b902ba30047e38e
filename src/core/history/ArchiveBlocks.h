#pragma once

#include "HistoryArchive.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

// How an export's lines are laid out in the archive. A month of a million lines is a few
// thousand rows, not a million: the lines go in blocks of consecutive lines, and each search
// key (insurance number, account) with its line's position in a bucket chosen by a hash of
// the key. Recording a month is then a matter of packing and writing ~100 MB.
//
// A line block: a format byte, the line count, then per line the net and the yield (signed
// variable-length integers) and six texts (variable-length byte count, UTF-8): caption,
// account, key, insurance number, name, contract type.
// A key bucket: a format byte, the entry count, then per entry the key (byte count, UTF-8)
// and the line's position in the export.
// A names block: the folded names of a line block's lines, UTF-8, one per line ending '\n'.
namespace ArchiveBlocks
{

constexpr int LinesPerBlock = 1024;

// Thrown when a block is not one this program wrote.
struct DamagedBlock {
};

// Which key a bucket holds.
enum class Key : int { Insurance = 1, Account = 2 };

// The form an account is indexed and searched by: without its leading zeros.
QStringView accountKeyText(QStringView account);
QByteArray accountKey(QStringView account);

// Adds a folded name to a names block.
void appendName(QByteArray &names, QStringView folded);

// Adds a line to the body of a block under way.
void appendLine(QByteArray &body, const ArchivedLineView &line);
// The block of the count lines appended to body.
QByteArray lineBlock(QByteArrayView body, int count);
// Throws UserError (its message says what is damaged) when the block is not one of ours.
std::vector<ArchivedLine> readLines(QByteArrayView block);
// Where each line of a block begins, for reading a few of its lines; throws DamagedBlock when
// the block does not read to its end exactly.
std::vector<qsizetype> lineStarts(QByteArrayView block);
// The line that begins at start, one of lineStarts(block).
ArchivedLine readLineAt(QByteArrayView block, qsizetype start);

// The search keys of one export go in a fixed number of buckets by a hash of the key: a
// key is looked for in one bucket row per export, and recording needs no sort.
constexpr int Buckets = 1024;
uint32_t bucketOf(QByteArrayView key);

struct KeyBucket {
    int bucket = 0;
    QByteArray entries;
};

// Collects keys with their line positions, then hands them out by bucket.
class KeyBuckets
{
public:
    void reserve(size_t lines, size_t bytes);
    // An empty key is left out.
    void add(QStringView key, uint32_t position);
    // The buckets that hold a key, each with its keys in the order they were added.
    std::vector<KeyBucket> buckets() const;

private:
    struct Entry {
        uint32_t offset;
        uint32_t size;
        uint32_t position;
        uint32_t bucket;
    };
    QByteArray m_keys;
    std::vector<Entry> m_entries;
};

// The positions a bucket holds for key, in order.
std::vector<uint32_t> positionsOf(QByteArrayView bucket, QByteArrayView key);

// The positions (within the block) of the lines whose folded name contains needle.
std::vector<int> namesContaining(QByteArrayView namesBlock, QByteArrayView needle);

} // namespace ArchiveBlocks
