// Whether a loaded idx1 table can be trusted. A damaged table, or one that
// belongs to another file, points outside "movi" or at chunks of another
// stream: every lookup through it would fail or read the wrong data, and the
// file would show a black picture without a word. Such a table is dropped and
// the file is read by walking "movi", as one without an index (a table with
// only a few wrong entries is kept: they fail their own chunks). A spread
// sample of the played streams' entries is checked, so that opening stays
// quick with tables of hundreds of thousands of entries.
#include "media/avi_file.h"

#include "media/avi_headers.h"
#include "media/cached_file_reader.h"
#include "media/chunk_walk.h"
#include "media/fourcc.h"
#include "media/stream_info.h"

#include <algorithm>

namespace {

constexpr int32_t kEntriesChecked = 64;
constexpr uint32_t kChunkHeaderSize = 8;

}  // namespace

bool AviFile::IndexPointsAtItsChunks() {
  const uint32_t videoKey = videoStream_ != nullptr ? videoStream_->streamKey : 0;
  const uint32_t audioKey = audioStream_ != nullptr ? audioStream_->streamKey : 0;
  const uint64_t moviStart = movi_.dataPosition;
  const uint64_t moviEnd = std::min<uint64_t>(moviStart + movi_.size, reader_->FileSize());
  const int32_t checks = std::min(indexEntryCount_, kEntriesChecked);
  int32_t checked = 0;
  int32_t bad = 0;
  for (int32_t i = 0; i < checks; ++i) {
    const int64_t e = checks > 1 ? int64_t{indexEntryCount_ - 1} * i / (checks - 1) : 0;
    const AviIndexEntry& entry = indexTable_[e];
    const uint32_t key = StreamKey(entry.ckid);
    if (key != videoKey && key != audioKey) continue;
    ++checked;
    const uint32_t position = entry.dwChunkOffset + indexBase_;  // as lookups compute it
    const bool inside = position >= moviStart + kChunkHeaderSize &&
                        uint64_t{position} + entry.dwChunkLength <= moviEnd;
    if (!inside || HeaderAt(reader_.get(), position - kChunkHeaderSize).id != entry.ckid) ++bad;
  }
  // A few damaged entries fail only their own chunks; a table that is mostly
  // wrong, or names none of the played streams in the sample, is no index.
  return checked > 0 && 2 * bad < checked;
}

void AviFile::DropIndex() {
  indexTable_.reset();
  indexEntryCount_ = 0;
}
