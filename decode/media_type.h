// Deep copies of AM_MEDIA_TYPE records, whose format blocks live in task
// memory (CoTaskMemAlloc), as DirectShow callers expect.
#pragma once

#include "decode/direct_show.h"

// Copies every field; the destination gets its own format block and a
// reference to pUnk. E_POINTER when either is null or both are the same.
// When the block cannot be allocated the destination's cbFormat becomes 0
// and the result is E_OUTOFMEMORY.
HRESULT CopyMediaType(AM_MEDIA_TYPE* destination, const AM_MEDIA_TYPE* source);

// Frees the format block and releases pUnk; null is ignored. The 72-byte
// record itself stays the caller's.
void FreeMediaType(AM_MEDIA_TYPE* type);

// Allocates a record in task memory holding a copy (what enumerators and
// ConnectionMediaType callers free with FreeMediaType and CoTaskMemFree).
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE* source);

// AvgTimePerFrame of a stream of rate / scale frames per second: computed in
// floating point and truncated to 32 bits (0 for a stream without a rate).
REFERENCE_TIME AverageTimePerFrame(int32_t rate, int32_t scale);
