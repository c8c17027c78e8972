#pragma once
// The filter base classes of the media engine, in one include.
//
// How to write a filter for this engine
// -------------------------------------
// * A filter is a CBaseFilter (or CSource, CTransformFilter, CBaseRenderer) that owns its
//   pins as plain members or through new/delete; pins share the filter's reference count.
//   Create filters with new and hand them out through QueryInterface/AddRef (they start
//   with no reference). A factory for the registry (platform/dshow/filter_registry.h)
//   returns the filter holding one reference.
// * Connection (application thread, filter stopped): the output pin proposes types
//   (GetMediaType), both pins CheckMediaType, then SetMediaType and CompleteConnect; the
//   output pin's DecideBufferSize sizes the allocator given by the input pin.
// * State: Pause from stopped commits allocators and starts source threads (CSourceStream);
//   Stop decommits them, which releases a thread waiting in GetDeliveryBuffer, and joins
//   the source threads. The graph changes state downstream first (renderers first).
// * Streaming: samples flow on the source's thread through IMemInputPin::Receive. Stamp
//   each sample with its stream time, (media time - segment start) / rate, in 100 ns units;
//   mark samples before a seek target as pre-roll (renderers drop them) and the first after
//   a restart as a discontinuity. Receive returns S_FALSE while flushing: stop pushing.
// * Seeking: a source exposes IMediaSeeking (CSourceSeeking) and repositions its streams
//   with CSourceStream::Restart, which flushes downstream, stops and restarts the thread and
//   sends NewSegment. Transforms pass flush, end of stream and new segments downstream.
// * Events: NotifyEvent (any thread) goes to the graph's event queue, which has a lock of
//   its own; never call into the graph (IFilterGraph, IMediaControl...) from a streaming
//   thread.
// * Locks, in the order they may be taken: graph lock, filter lock (state, connections),
//   a transform's receive lock, renderer's render lock, allocator lock, event queue lock.
//   A streaming thread never takes a graph or filter lock. See docs/media_engine.md.
// * Live sources (capture) return VFW_S_CANT_CUE from GetState while paused, so the graph
//   does not wait for a pre-roll they will not send.

#include "platform/dshow/base/allocator.h"
#include "platform/dshow/base/base_filter.h"
#include "platform/dshow/base/com_object.h"
#include "platform/dshow/base/renderer.h"
#include "platform/dshow/base/source.h"
#include "platform/dshow/base/transform.h"
#include "platform/dshow/dshow_interfaces.h"
#include "platform/dshow/media_type.h"
