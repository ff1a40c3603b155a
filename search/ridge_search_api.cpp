// The C interface of ridgesearch.h over the gallery and its jobs.
#include "ridgesearch.h"

#include "ext/ext_status.h"
#include "search/gallery.h"
#include "search/gallery_file.h"
#include "search/search_jobs.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <shared_mutex>

namespace ridge {
namespace {

int32_t check_template(const TemplateBuffer *raw, const char *what, Minutiae *minutiae)
{
    if (raw == nullptr)
        return fail(RIDGE_ERR_ARGUMENT, "no %s given", what);
    const int32_t status = ridge_check_template(raw);
    if (status != RIDGE_OK)
        return failWith(status, std::string(what) + ": " + ridge_last_error());
    const std::size_t n = raw->size / sizeof(RawMinutia);
    minutiae->resize(n);
    if (n > 0)
        std::memcpy(minutiae->data(), raw->data, n * sizeof(RawMinutia));
    return RIDGE_OK;
}

int32_t check_identifier(const char *identifier)
{
    if (identifier == nullptr)
        return fail(RIDGE_ERR_ARGUMENT, "no identifier given");
    const std::string problem = identifierProblem(identifier, std::strlen(identifier));
    if (!problem.empty())
        return failWith(RIDGE_ERR_ARGUMENT, problem);
    return RIDGE_OK;
}

int32_t check_job(double min_score)
{
    if (std::isnan(min_score))
        return fail(RIDGE_ERR_ARGUMENT, "the lowest score is not a number");
    return RIDGE_OK;
}

// One block: the records, then their identifiers.
template <class Record> Record *result_block(std::size_t count, std::size_t text_bytes, char **text)
{
    const std::size_t bytes = count * sizeof(Record) + text_bytes;
    void *block = std::malloc(bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    *text = static_cast<char *>(block) + count * sizeof(Record);
    return static_cast<Record *>(block);
}

const char *copy_text(const std::string &s, char **text)
{
    char *at = *text;
    std::memcpy(at, s.c_str(), s.size() + 1);
    *text += s.size() + 1;
    return at;
}

// The pairs as one block.
int32_t hand_out_pairs(const Gallery &first, const Gallery &second, const std::vector<PairHit> &found,
                       ridge_pair **pairs, uint64_t *count)
{
    if (found.empty()) {
        *pairs = nullptr;
        *count = 0;
        return RIDGE_OK;
    }
    std::size_t text_bytes = 0;
    for (const PairHit &p : found)
        text_bytes += first.at(p.first).identifier().size() + second.at(p.second).identifier().size() + 2;
    char *text = nullptr;
    ridge_pair *block = result_block<ridge_pair>(found.size(), text_bytes, &text);
    for (std::size_t k = 0; k < found.size(); ++k) {
        const PairHit &p = found[k];
        block[k].first = copy_text(first.at(p.first).identifier(), &text);
        block[k].second = copy_text(second.at(p.second).identifier(), &text);
        block[k].score = p.score;
        block[k].first_index = p.first;
        block[k].second_index = p.second;
    }
    *pairs = block;
    *count = found.size();
    return RIDGE_OK;
}

JobSettings settings_of(double min_score, uint32_t threads, ridge_progress_fn progress, void *context)
{
    JobSettings s;
    s.min_score = min_score;
    s.threads = threads;
    s.progress.fn = progress;
    s.progress.context = context;
    return s;
}

} // namespace
} // namespace ridge

using ridge::fail;
using ridge::guarded;

extern "C" {

RIDGE_API int32_t ridge_gallery_create(ridge_gallery **gallery)
{
    return guarded("ridge_gallery_create", [&]() -> int32_t {
        if (gallery == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_create: no place for the gallery");
        *gallery = new ridge_gallery();
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_load(const char *path, ridge_gallery **gallery)
{
    return guarded("ridge_gallery_load", [&]() -> int32_t {
        if (path == nullptr || gallery == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_load: no path or no place for the gallery");
        std::unique_ptr<ridge_gallery> loaded;
        const int32_t status = ridge::loadGalleryFile(path, &loaded);
        if (status != RIDGE_OK)
            return status;
        *gallery = loaded.release();
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_save(ridge_gallery *gallery, const char *path)
{
    return guarded("ridge_gallery_save", [&]() -> int32_t {
        if (gallery == nullptr || path == nullptr || *path == '\0')
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_save: no gallery or no path");
        std::shared_lock<ridge::GalleryLock> hold(gallery->lock());
        return ridge::saveGalleryFile(*gallery, path);
    });
}

RIDGE_API void ridge_gallery_close(ridge_gallery *gallery) { delete gallery; }

RIDGE_API int32_t ridge_gallery_add(ridge_gallery *gallery, const char *identifier,
                                    const TemplateBuffer *raw, int32_t *replaced)
{
    return guarded("ridge_gallery_add", [&]() -> int32_t {
        if (gallery == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_add: no gallery");
        int32_t status = ridge::check_identifier(identifier);
        if (status != RIDGE_OK)
            return status;
        ridge::Minutiae minutiae;
        status = ridge::check_template(raw, identifier, &minutiae);
        if (status != RIDGE_OK)
            return status;
        // Described before the gallery is locked, so searches go on meanwhile.
        ridge::GalleryEntry entry(identifier, minutiae.data(), static_cast<int>(minutiae.size()), true);
        std::unique_lock<ridge::GalleryLock> hold(gallery->lock());
        const bool was_there = gallery->add(std::move(entry));
        if (replaced != nullptr)
            *replaced = was_there ? 1 : 0;
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_remove(ridge_gallery *gallery, const char *identifier)
{
    return guarded("ridge_gallery_remove", [&]() -> int32_t {
        if (gallery == nullptr || identifier == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_remove: no gallery or no identifier");
        std::unique_lock<ridge::GalleryLock> hold(gallery->lock());
        if (!gallery->remove(identifier))
            return fail(RIDGE_ERR_NOT_FOUND, "no entry named %s", identifier);
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_count(ridge_gallery *gallery, uint64_t *count)
{
    return guarded("ridge_gallery_count", [&]() -> int32_t {
        if (gallery == nullptr || count == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_count: no gallery or no place for the count");
        std::shared_lock<ridge::GalleryLock> hold(gallery->lock());
        *count = gallery->size();
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_memory(ridge_gallery *gallery, uint64_t *bytes)
{
    return guarded("ridge_gallery_memory", [&]() -> int32_t {
        if (gallery == nullptr || bytes == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_memory: no gallery or no place for the figure");
        std::shared_lock<ridge::GalleryLock> hold(gallery->lock());
        *bytes = gallery->memoryBytes();
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_entry(ridge_gallery *gallery, uint64_t index, char **identifier,
                                      TemplateBuffer *raw)
{
    return guarded("ridge_gallery_entry", [&]() -> int32_t {
        if (gallery == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_entry: no gallery");
        if (raw != nullptr && raw->data != nullptr)
            return fail(FPT_ERR_OUTPUT_IN_USE, "ridge_gallery_entry: the output template is not empty");
        std::shared_lock<ridge::GalleryLock> hold(gallery->lock());
        if (index >= gallery->size())
            return fail(RIDGE_ERR_NOT_FOUND, "no entry at position %llu (the gallery holds %llu)",
                        static_cast<unsigned long long>(index),
                        static_cast<unsigned long long>(gallery->size()));
        const ridge::GalleryEntry &e = gallery->at(static_cast<std::size_t>(index));
        char *name = nullptr;
        if (identifier != nullptr) {
            name = static_cast<char *>(std::malloc(e.identifier().size() + 1));
            if (name == nullptr)
                throw std::bad_alloc();
            std::memcpy(name, e.identifier().c_str(), e.identifier().size() + 1);
        }
        if (raw != nullptr) {
            const std::size_t bytes = static_cast<std::size_t>(e.count()) * sizeof(RawMinutia);
            unsigned char *data = nullptr;
            if (bytes > 0) {
                data = static_cast<unsigned char *>(std::malloc(bytes));
                if (data == nullptr) {
                    std::free(name);
                    throw std::bad_alloc();
                }
                std::memcpy(data, e.minutiae(), bytes);
            }
            raw->data = data;
            raw->size = static_cast<uint32_t>(bytes);
            raw->format = FPT_FORMAT_RAW;
        }
        if (identifier != nullptr)
            *identifier = name;
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_search(ridge_gallery *gallery, const TemplateBuffer *probe,
                                       uint32_t top, double min_score, uint32_t threads,
                                       ridge_progress_fn progress, void *progress_context,
                                       ridge_match **matches, uint64_t *count)
{
    return guarded("ridge_gallery_search", [&]() -> int32_t {
        if (gallery == nullptr || matches == nullptr || count == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_search: no gallery or no place for the results");
        int32_t status = ridge::check_job(min_score);
        if (status != RIDGE_OK)
            return status;
        ridge::Minutiae minutiae;
        status = ridge::check_template(probe, "probe", &minutiae);
        if (status != RIDGE_OK)
            return status;
        std::shared_lock<ridge::GalleryLock> hold(gallery->lock());
        std::vector<ridge::SearchHit> hits;
        status = ridge::searchGallery(*gallery, minutiae, top,
                                      ridge::settings_of(min_score, threads, progress, progress_context), &hits);
        if (status != RIDGE_OK)
            return status;
        if (hits.empty()) {
            *matches = nullptr;
            *count = 0;
            return RIDGE_OK;
        }
        std::size_t text_bytes = 0;
        for (const ridge::SearchHit &h : hits)
            text_bytes += gallery->at(h.index).identifier().size() + 1;
        char *text = nullptr;
        ridge_match *block = ridge::result_block<ridge_match>(hits.size(), text_bytes, &text);
        for (std::size_t k = 0; k < hits.size(); ++k) {
            block[k].identifier = ridge::copy_text(gallery->at(hits[k].index).identifier(), &text);
            block[k].score = hits[k].score;
            block[k].index = hits[k].index;
        }
        *matches = block;
        *count = hits.size();
        return RIDGE_OK;
    });
}

RIDGE_API int32_t ridge_gallery_dedup(ridge_gallery *gallery, double min_score, uint32_t threads,
                                      ridge_progress_fn progress, void *progress_context,
                                      ridge_pair **pairs, uint64_t *count)
{
    return guarded("ridge_gallery_dedup", [&]() -> int32_t {
        if (gallery == nullptr || pairs == nullptr || count == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_dedup: no gallery or no place for the pairs");
        int32_t status = ridge::check_job(min_score);
        if (status != RIDGE_OK)
            return status;
        std::shared_lock<ridge::GalleryLock> hold(gallery->lock());
        std::vector<ridge::PairHit> found;
        status = ridge::dedupGallery(*gallery, ridge::settings_of(min_score, threads, progress, progress_context),
                                     &found);
        if (status != RIDGE_OK)
            return status;
        return ridge::hand_out_pairs(*gallery, *gallery, found, pairs, count);
    });
}

RIDGE_API int32_t ridge_gallery_cross(ridge_gallery *first, ridge_gallery *second, double min_score,
                                      uint32_t threads, ridge_progress_fn progress, void *progress_context,
                                      ridge_pair **pairs, uint64_t *count)
{
    return guarded("ridge_gallery_cross", [&]() -> int32_t {
        if (first == nullptr || second == nullptr || pairs == nullptr || count == nullptr)
            return fail(RIDGE_ERR_ARGUMENT, "ridge_gallery_cross: no gallery or no place for the pairs");
        int32_t status = ridge::check_job(min_score);
        if (status != RIDGE_OK)
            return status;
        // Two shared locks, always in the same order, so that two crosses of
        // the same galleries in opposite order never wait on each other
        // behind a writer; one lock when both are the same gallery.
        ridge_gallery *lower = std::less<ridge_gallery *>()(first, second) ? first : second;
        ridge_gallery *upper = lower == first ? second : first;
        std::shared_lock<ridge::GalleryLock> hold_lower(lower->lock());
        std::shared_lock<ridge::GalleryLock> hold_upper;
        if (upper != lower)
            hold_upper = std::shared_lock<ridge::GalleryLock>(upper->lock());
        std::vector<ridge::PairHit> found;
        status = ridge::crossGalleries(*first, *second,
                                       ridge::settings_of(min_score, threads, progress, progress_context), &found);
        if (status != RIDGE_OK)
            return status;
        return ridge::hand_out_pairs(*first, *second, found, pairs, count);
    });
}

} // extern "C"
