#include "platform/gdi/object_table.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/font.h"

namespace {

static_assert(sizeof(std::uintptr_t) == 8, "handles carry a 32-bit slot and a 32-bit generation");

std::uintptr_t make_handle(std::uint32_t slot, std::uint32_t generation) {
  return (static_cast<std::uintptr_t>(generation) << 32) | (static_cast<std::uintptr_t>(slot) + 1);
}

std::uint32_t slot_of(std::uintptr_t handle) { return static_cast<std::uint32_t>(handle) - 1; }

}  // namespace

// Constant-initialised: usable from any static initialiser, and destroyed
// only after everything made after it.
constinit ObjectTable gdi_objects;

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

std::uintptr_t ObjectTable::add_stock(std::unique_ptr<GdiObject> object) {
  object->stock = true;
  return add(std::move(object));
}

std::uintptr_t ObjectTable::stock_bitmap() {
  if (stock_bitmap_ == 0) stock_bitmap_ = add_stock(std::make_unique<Bitmap>(1, 1, MONOCHROME_BITS_PER_PIXEL));
  return stock_bitmap_;
}

std::uintptr_t ObjectTable::stock_font() {
  if (stock_font_ == 0) stock_font_ = add_stock(std::make_unique<Font>(default_font()));
  return stock_font_;
}

int live_gdi_objects() {
  GdiLock lock;
  return object_table().live_objects();
}
