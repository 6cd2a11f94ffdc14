#pragma once
// The records of a snapshot, each written and read field by field in its file layout. Used by the
// snapshot codec only.

#include "base/byte_stream.hpp"
#include "save/snapshot.hpp"

namespace vura::snapshot_records {

inline constexpr std::size_t kNameField = 64;
inline constexpr std::size_t kTextField = 1024;

void putState(ByteWriter& w, const SavedCommand& s);
SavedCommand getState(ByteReader& r);
void putVoices(ByteWriter& w, const PageVoiceList& v);
PageVoiceList getVoices(ByteReader& r);
void putLayer(ByteWriter& w, const LayerRecord& l);
LayerRecord getLayer(ByteReader& r);
void putChannel(ByteWriter& w, const ChannelRecord& c);
ChannelRecord getChannel(ByteReader& r);
void putWindow(ByteWriter& w, const WindowRecord& win);
WindowRecord getWindow(ByteReader& r);
void putLogPage(ByteWriter& w, const LogPage& page);
LogPage getLogPage(ByteReader& r);
void putButton(ByteWriter& w, const SystemButton& b);
SystemButton getButton(ByteReader& r);
void putHotspot(ByteWriter& w, const ClickableMapItem& i);
ClickableMapItem getHotspot(ByteReader& r);
void putChoice(ByteWriter& w, const ChoiceLine& c);
ChoiceLine getChoice(ByteReader& r);
void putAnimation(ByteWriter& w, const AnimationRecord& a);
AnimationRecord getAnimation(ByteReader& r);

} // namespace vura::snapshot_records
