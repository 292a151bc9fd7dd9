// The table behind every handle of the drawing surface. A handle names a
// slot and the slot's generation, so a released handle never reaches the
// object that later reuses its slot. One mutex guards the table and every
// object in it: each public call holds it (through GdiLock) from start to end. Looking up a
// handle is a few instructions and allocates nothing, as pixel calls do it
// once per pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <sys/single_threaded.h>

#include "platform/gdi/gdi_types.h"

enum class GdiKind { device_context, bitmap, font };

struct GdiObject {
  explicit GdiObject(GdiKind object_kind) : kind(object_kind) {}
  virtual ~GdiObject() = default;

  const GdiKind kind;
  bool stock = false;
  // Contexts the object is selected into; it cannot be deleted before 0.
  int selections = 0;
};

class ObjectTable {
 public:
  std::uintptr_t add(std::unique_ptr<GdiObject> object);
  // Handle 0 names slot 0xFFFFFFFF, which never exists.
  [[gnu::always_inline]] GdiObject* find(std::uintptr_t handle) const {
    std::uint32_t slot = static_cast<std::uint32_t>(handle) - 1;
    if (slot >= slots_.size()) return nullptr;
    const Slot& entry = slots_[slot];
    return entry.generation == static_cast<std::uint32_t>(handle >> 32) ? entry.object.get() : nullptr;
  }
  // Releases the object; false for an unknown handle.
  bool remove(std::uintptr_t handle);
  int live_objects() const { return live_; }

  // The stock 1 x 1 monochrome bitmap and the stock font every context
  // starts with, made on first use.
  std::uintptr_t stock_bitmap();
  std::uintptr_t stock_font();

 private:
  struct Slot {
    std::unique_ptr<GdiObject> object;
    std::uint32_t generation = 1;
  };
  std::uintptr_t add_stock(std::unique_ptr<GdiObject> object);

  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_slots_;
  int live_ = 0;
  std::uintptr_t stock_bitmap_ = 0;
  std::uintptr_t stock_font_ = 0;
};

// The lock to hold around every use of the table.
inline std::mutex& gdi_mutex() {
  static std::mutex mutex;
  return mutex;
}

// Holds gdi_mutex() for its lifetime. While the process runs a single
// thread there is nothing to exclude and the lock is skipped: no call of
// the surface starts a thread, so none can appear while it is skipped.
class GdiLock {
 public:
  GdiLock() : held_(!__libc_single_threaded) {
    if (held_) gdi_mutex().lock();
  }
  ~GdiLock() {
    if (held_) gdi_mutex().unlock();
  }
  GdiLock(const GdiLock&) = delete;
  GdiLock& operator=(const GdiLock&) = delete;

 private:
  const bool held_;
};

// The one table of the process.
extern ObjectTable gdi_objects;
inline ObjectTable& object_table() { return gdi_objects; }

template <class Handle>
std::uintptr_t handle_value(Handle handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

template <class Handle>
Handle to_handle(std::uintptr_t value) {
  return reinterpret_cast<Handle>(value);
}

// The object of the handle when it is of type T (T::object_kind), else null.
// Inlined everywhere: pixel calls make it once per pixel.
template <class T, class Handle>
[[gnu::always_inline]] inline T* find_object(Handle handle) {
  GdiObject* object = object_table().find(handle_value(handle));
  if (object == nullptr || object->kind != T::object_kind) return nullptr;
  return static_cast<T*>(object);
}
