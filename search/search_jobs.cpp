#include "search/search_jobs.h"

#include "matcher/compare_templates.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace ridge {

namespace {

// Entries per chunk of a search.
constexpr std::size_t kSearchChunk = 256;
// A pair job walks bands of this many rows, each cut in segments of this
// many columns: a row's template is prepared once per segment, and the
// calling thread reports progress after every segment it scores.
constexpr std::size_t kBandRows = 1;
constexpr std::size_t kSegmentColumns = 4096;

bool better(const SearchHit &a, const SearchHit &b)
{
    return a.score > b.score || (a.score == b.score && a.index < b.index);
}

bool pair_order(const PairHit &a, const PairHit &b)
{
    return a.first < b.first || (a.first == b.first && a.second < b.second);
}

// The chunks of a pair job over rows x columns: for each band of rows, the
// columns it compares (all, or those after the band's first row when only
// later entries count), cut in segments.
class PairChunks {
public:
    PairChunks(std::size_t rows, std::size_t columns, bool later_only)
        : rows_(rows), columns_(columns), later_only_(later_only)
    {
        const std::size_t bands = (rows + kBandRows - 1) / kBandRows;
        first_chunk_.reserve(bands + 1);
        first_chunk_.push_back(0);
        for (std::size_t b = 0; b < bands; ++b) {
            const std::size_t from = column_start(b);
            const std::size_t width = columns > from ? columns - from : 0;
            first_chunk_.push_back(first_chunk_.back() + (width + kSegmentColumns - 1) / kSegmentColumns);
        }
    }

    std::size_t chunks() const { return first_chunk_.back(); }

    struct Block {
        std::size_t row_begin, row_end, column_begin, column_end;
    };
    Block block(std::size_t chunk) const
    {
        const std::size_t band =
            static_cast<std::size_t>(std::upper_bound(first_chunk_.begin(), first_chunk_.end(), chunk) -
                                     first_chunk_.begin()) - 1;
        const std::size_t segment = chunk - first_chunk_[band];
        Block b;
        b.row_begin = band * kBandRows;
        b.row_end = std::min(rows_, b.row_begin + kBandRows);
        b.column_begin = column_start(band) + segment * kSegmentColumns;
        b.column_end = std::min(columns_, b.column_begin + kSegmentColumns);
        return b;
    }

    // Pairs the block compares.
    uint64_t pairs(const Block &b) const
    {
        uint64_t n = 0;
        for (std::size_t i = b.row_begin; i < b.row_end; ++i) {
            const std::size_t from = later_only_ ? std::max(b.column_begin, i + 1) : b.column_begin;
            n += b.column_end > from ? b.column_end - from : 0;
        }
        return n;
    }

    uint64_t totalPairs() const
    {
        const uint64_t r = rows_, c = columns_;
        return later_only_ ? r * (r - (r > 0 ? 1 : 0)) / 2 : r * c;
    }

    bool laterOnly() const { return later_only_; }

private:
    std::size_t column_start(std::size_t band) const { return later_only_ ? band * kBandRows + 1 : 0; }

    std::size_t rows_, columns_;
    bool later_only_;
    std::vector<std::size_t> first_chunk_;
};

// matchRawFPTs(first, other) where first is a template prepared as the
// probe when it could be described, and other a gallery entry.
class FirstArgument {
public:
    // The template (its storage outlives the scoring) and, when it is
    // described, its view.
    void set(const RawMinutia *minutiae, int count, const TemplateView *view)
    {
        minutiae_ = minutiae;
        count_ = count;
        prepared_ = view != nullptr;
        if (prepared_)
            probe_->prepare(*view);
    }

    double score(const GalleryEntry &other, PreparedWorkspace *workspace) const
    {
        if (prepared_ && other.described()) {
            const int32_t best = comparePrepared(*probe_, other.view(), workspace);
            return similarityScore(best, count_, other.count());
        }
        return referenceScore(minutiae_, count_, other.minutiae(), other.count());
    }

private:
    const RawMinutia *minutiae_ = nullptr;
    int count_ = 0;
    bool prepared_ = false;
    std::unique_ptr<PreparedProbe> probe_ = std::make_unique<PreparedProbe>();
};

// What each worker of a pair job keeps.
struct PairWorker {
    FirstArgument first;
    PreparedWorkspace workspace;
    std::vector<PairHit> found;
    std::size_t row = SIZE_MAX; // the row `first` holds
};

int32_t pair_job(const Gallery &rows, const Gallery &columns, bool later_only, const JobSettings &settings,
                 std::vector<PairHit> *pairs)
{
    const PairChunks chunks(rows.size(), later_only ? rows.size() : columns.size(), later_only);
    const unsigned threads = jobThreads(settings.threads, chunks.chunks());
    std::vector<std::unique_ptr<PairWorker>> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.push_back(std::make_unique<PairWorker>());
    const int32_t status = runParallelJob(
        threads, chunks.chunks(),
        [&](std::size_t chunk, unsigned worker) {
            const PairChunks::Block b = chunks.block(chunk);
            PairWorker &w = *workers[worker];
            for (std::size_t i = b.row_begin; i < b.row_end; ++i) {
                const GalleryEntry &row = rows.at(i);
                if (w.row != i) {
                    const TemplateView view = row.described() ? row.view() : TemplateView();
                    w.first.set(row.minutiae(), row.count(), row.described() ? &view : nullptr);
                    w.row = i;
                }
                const std::size_t from = later_only ? std::max(b.column_begin, i + 1) : b.column_begin;
                for (std::size_t j = from; j < b.column_end; ++j) {
                    const double score = w.first.score(columns.at(j), &w.workspace);
                    if (score >= settings.min_score)
                        w.found.push_back(PairHit{i, j, score});
                }
            }
        },
        [&](std::size_t chunk) { return chunks.pairs(chunks.block(chunk)); }, chunks.totalPairs(),
        settings.progress);
    if (status != RIDGE_OK)
        return status;
    std::vector<PairHit> all;
    std::size_t total = 0;
    for (const auto &w : workers)
        total += w->found.size();
    all.reserve(total);
    for (auto &w : workers) {
        all.insert(all.end(), w->found.begin(), w->found.end());
        std::vector<PairHit>().swap(w->found);
    }
    std::sort(all.begin(), all.end(), pair_order);
    pairs->swap(all);
    return RIDGE_OK;
}

} // namespace

double referenceScore(const RawMinutia *a, int count_a, const RawMinutia *b, int count_b)
{
    const TemplateBuffer ra{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(a)),
                            static_cast<uint32_t>(count_a) * 16u, FPT_FORMAT_RAW};
    const TemplateBuffer rb{reinterpret_cast<unsigned char *>(const_cast<RawMinutia *>(b)),
                            static_cast<uint32_t>(count_b) * 16u, FPT_FORMAT_RAW};
    double score = 0.0;
    matchRawFPTs(&ra, &rb, &score);
    return score;
}

int32_t searchGallery(const Gallery &gallery, const Minutiae &probe, uint32_t top,
                      const JobSettings &settings, std::vector<SearchHit> *hits)
{
    const std::size_t n = gallery.size();
    const int probe_count = static_cast<int>(probe.size());
    // The probe is described and prepared once, for every thread.
    FirstArgument first;
    DescribedBlock block;
    const bool described = describeTemplate(probe.data(), probe_count, &block);
    const TemplateView view = described ? viewOfBlock(block.bytes.get()) : TemplateView();
    first.set(probe.data(), probe_count, described ? &view : nullptr);

    std::vector<double> scores(n);
    const std::size_t chunks = (n + kSearchChunk - 1) / kSearchChunk;
    const unsigned threads = jobThreads(settings.threads, chunks);
    std::vector<std::unique_ptr<PreparedWorkspace>> workspaces;
    for (unsigned t = 0; t < threads; ++t)
        workspaces.push_back(std::make_unique<PreparedWorkspace>());
    const int32_t status = runParallelJob(
        threads, chunks,
        [&](std::size_t chunk, unsigned worker) {
            const std::size_t end = std::min(n, (chunk + 1) * kSearchChunk);
            for (std::size_t k = chunk * kSearchChunk; k < end; ++k)
                scores[k] = first.score(gallery.at(k), workspaces[worker].get());
        },
        [&](std::size_t chunk) {
            return static_cast<uint64_t>(std::min(n, (chunk + 1) * kSearchChunk) - chunk * kSearchChunk);
        },
        n, settings.progress);
    if (status != RIDGE_OK)
        return status;

    std::vector<SearchHit> kept;
    for (std::size_t k = 0; k < n; ++k)
        if (scores[k] >= settings.min_score)
            kept.push_back(SearchHit{k, scores[k]});
    if (top != 0 && kept.size() > top) {
        std::partial_sort(kept.begin(), kept.begin() + top, kept.end(), better);
        kept.resize(top);
    } else {
        std::sort(kept.begin(), kept.end(), better);
    }
    hits->swap(kept);
    return RIDGE_OK;
}

int32_t dedupGallery(const Gallery &gallery, const JobSettings &settings, std::vector<PairHit> *pairs)
{
    return pair_job(gallery, gallery, true, settings, pairs);
}

int32_t crossGalleries(const Gallery &first, const Gallery &second, const JobSettings &settings,
                       std::vector<PairHit> *pairs)
{
    return pair_job(first, second, false, settings, pairs);
}

} // namespace ridge
