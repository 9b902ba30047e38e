#include "TextImport.h"

#include "LineReader.h"
#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/RecordLayout.h"
#include "model/TextColumns.h"
#include "model/UserError.h"

#include <QFile>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

namespace TextImport
{

long long amountFieldCents(QStringView field)
{
    // Thirteen digits fit easily; longer fields (none are cut that way) are capped.
    long long v = 0;
    int digits = 0;
    for (QChar c : trimBlanks(field)) {
        if (c >= u'0' && c <= u'9') {
            if (digits < 18) v = v * 10 + (c.unicode() - u'0');
            ++digits;
        }
    }
    return v;
}

TransferLine parseRecord(QStringView record)
{
    namespace L = RecordLayout;
    if (TextColumns::hasSurrogates(record)) {
        // Rare: each character stands in one unit for the cut, then the text fields get
        // their true characters back.
        QString plain;
        for (qsizetype i = 0, n = TextColumns::length(record); i < n; ++i) {
            const QStringView c = TextColumns::mid(record, i, 1);
            plain.append(c.size() == 1 ? c[0] : QChar(QChar::ReplacementCharacter));
        }
        TransferLine line = parseRecord(QStringView(plain));
        auto field = [record](const L::Field &f) {
            return TextColumns::mid(record, f.start, f.width);
        };
        line.setCaption(field(L::Caption));
        line.setSubItem(TransferLine::Key, trimBlanks(field(L::Key)));
        line.setSubItem(TransferLine::Insurance, trimBlanks(field(L::Insurance)));
        line.setSubItem(TransferLine::Name, trimBlanks(field(L::Name)));
        line.setSubItem(TransferLine::ContractType, trimBlanks(field(L::ContractType)));
        return line;
    }
    // Built in place on the stack: a line costs one allocation, its own cell text.
    QChar padded[TransferLine::RecordWidth];
    if (record.size() < TransferLine::RecordWidth) {
        std::copy(record.begin(), record.end(), padded);
        std::fill(padded + record.size(), padded + TransferLine::RecordWidth, QChar(u' '));
        record = QStringView(padded, TransferLine::RecordWidth);
    }
    QChar account[L::Account.width];
    int accountLen = 0;
    for (QChar c : L::Account.of(record))
        if (c >= u'0' && c <= u'9') account[accountLen++] = c;
    QChar net[64], yield[64];
    const int netLen = AmountText::formatCentsInto(amountFieldCents(L::Net.of(record)),
                                                   AmountText::ListPattern, net);
    const int yieldLen = AmountText::formatCentsInto(amountFieldCents(L::Yield.of(record)),
                                                     AmountText::ListPattern, yield);
    return TransferLine(L::Caption.of(record), QStringView(account, accountLen),
                        trimBlanks(L::Key.of(record)), QStringView(net, netLen),
                        QStringView(yield, yieldLen), trimBlanks(L::Insurance.of(record)),
                        trimBlanks(L::Name.of(record)), trimBlanks(L::ContractType.of(record)));
}

namespace
{

// Records of a large file are cut on a second thread: this one reads and decodes the file
// and hands over batches of records, copied into one text each; the other cuts them into
// lines in file order.
class ParallelCut
{
public:
    explicit ParallelCut(std::vector<TransferLine> &lines) : m_lines(lines)
    {
        m_next.ends.reserve(BatchRecords);
        m_next.text.reserve(BatchRecords * (TransferLine::RecordWidth + 1));
        m_thread = std::thread([this] { work(); });
    }
    ~ParallelCut() { stop(); }
    ParallelCut(const ParallelCut &) = delete;
    ParallelCut &operator=(const ParallelCut &) = delete;

    void add(QStringView record)
    {
        m_next.text.append(record);
        m_next.ends.push_back(m_next.text.size());
        if (m_next.ends.size() == BatchRecords) send();
    }

    // Waits for every record to be cut; rethrows what the other thread failed with.
    void finish()
    {
        if (!m_next.ends.empty()) send();
        stop();
        if (m_failure) std::rethrow_exception(m_failure);
    }

private:
    static constexpr size_t BatchRecords = 8192;
    static constexpr size_t MaxQueued = 4;

    struct Batch {
        QString text;
        std::vector<qsizetype> ends;
    };

    void send()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < MaxQueued || m_done; });
        // After a failure of the other thread nothing more is cut; finish() tells it.
        if (!m_done) m_queue.push_back(std::move(m_next));
        lock.unlock();
        m_changed.notify_all();
        m_next = Batch();
        m_next.ends.reserve(BatchRecords);
        m_next.text.reserve(BatchRecords * (TransferLine::RecordWidth + 1));
    }

    void stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    void work()
    {
        try {
            for (;;) {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_queue.empty() || m_closed; });
                if (m_queue.empty()) break;
                Batch batch = std::move(m_queue.front());
                m_queue.pop_front();
                lock.unlock();
                m_changed.notify_all();
                qsizetype from = 0;
                for (const qsizetype end : batch.ends) {
                    m_lines.push_back(parseRecord(QStringView(batch.text).mid(from, end - from)));
                    from = end;
                }
            }
        } catch (...) {
            m_failure = std::current_exception();
        }
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    }

    std::vector<TransferLine> &m_lines; // written by the other thread until it ends
    Batch m_next;
    std::deque<Batch> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false; // no more batches will come
    bool m_done = false;   // the other thread has ended
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// Below this size the file is cut on the calling thread alone.
constexpr qint64 ParallelBytes = qint64(4) << 20;

} // namespace

std::vector<TransferLine> importFile(const QString &path, const Progress &progress)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    const qint64 size = f.size();
    LineReader reader(f, path);
    std::vector<TransferLine> lines;
    lines.reserve(size_t(std::min<qint64>(size / (TransferLine::RecordWidth + 2) + 1, 1 << 24)));
    std::optional<ParallelCut> cut;
    if (size >= ParallelBytes) cut.emplace(lines);
    size_t records = 0;
    QStringView record;
    while (reader.next(record)) {
        // A blank line holds no record: it is skipped, so that a file of blank lines costs
        // nothing and adds no empty transfer.
        if (trimBlanks(record).isEmpty()) continue;
        if (records >= size_t(std::numeric_limits<int>::max()))
            throw UserError(QStringLiteral("The file \"%1\" holds too many lines.").arg(path));
        ++records;
        if (cut)
            cut->add(record);
        else
            lines.push_back(parseRecord(record));
        if (progress) progress(int(records), reader.bytesRead(), size);
    }
    if (cut) cut->finish();
    // A file cut short while it was read would give a list missing its last lines.
    if (reader.bytesRead() != size)
        throw UserError(
            QStringLiteral("The file \"%1\" changed while it was being read. Nothing was imported; "
                           "import it again.")
                .arg(path));
    return lines;
}

} // namespace TextImport
