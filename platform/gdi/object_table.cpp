#include "platform/gdi/object_table.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/font.h"

namespace {

static_assert(sizeof(std::uintptr_t) == 8, "handles carry a 32-bit slot and a 32-bit generation");

std::uintptr_t make_handle(std::uint32_t slot, std::uint32_t generation) {
  return (static_cast<std::uintptr_t>(generation) << 32) | (static_cast<std::uintptr_t>(slot) + 1);
}

std::uint32_t slot_of(std::uintptr_t handle) { return static_cast<std::uint32_t>(handle) - 1; }
std::uint32_t generation_of(std::uintptr_t handle) { return static_cast<std::uint32_t>(handle >> 32); }

std::uintptr_t add_stock(ObjectTable& table, std::unique_ptr<GdiObject> object) {
  object->stock = true;
  return table.add(std::move(object));
}

}  // namespace

std::uintptr_t ObjectTable::add(std::unique_ptr<GdiObject> object) {
  std::uint32_t slot;
  if (free_slots_.empty()) {
    slot = static_cast<std::uint32_t>(slots_.size());
    slots_.emplace_back();
  } else {
    slot = free_slots_.back();
    free_slots_.pop_back();
  }
  if (!object->stock) ++live_;
  slots_[slot].object = std::move(object);
  return make_handle(slot, slots_[slot].generation);
}

GdiObject* ObjectTable::find(std::uintptr_t handle) const {
  std::uint32_t slot = slot_of(handle);
  if (handle == 0 || slot >= slots_.size()) return nullptr;
  const Slot& entry = slots_[slot];
  if (entry.generation != generation_of(handle)) return nullptr;
  return entry.object.get();
}

bool ObjectTable::remove(std::uintptr_t handle) {
  if (find(handle) == nullptr) return false;
  Slot& entry = slots_[slot_of(handle)];
  if (!entry.object->stock) --live_;
  entry.object.reset();
  // Generation 0 is never handed out, so a wrapped counter skips it.
  if (++entry.generation == 0) entry.generation = 1;
  free_slots_.push_back(slot_of(handle));
  return true;
}

int ObjectTable::live_objects() const { return live_; }

std::mutex& gdi_mutex() {
  static std::mutex mutex;
  return mutex;
}

ObjectTable& object_table() {
  static ObjectTable table = [] {
    ObjectTable made;
    made.stock_bitmap = add_stock(made, std::make_unique<Bitmap>(1, 1));
    made.stock_font = add_stock(made, std::make_unique<Font>(default_font()));
    return made;
  }();
  return table;
}

int live_gdi_objects() {
  std::lock_guard lock(gdi_mutex());
  return object_table().live_objects();
}
