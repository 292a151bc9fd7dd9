#include "com/class_factory.h"

#include <mutex>

#include "com/encode_service.h"
#include "com/module.h"

namespace {

class EncodeServiceFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  // Going from 1 (the cache alone) to 2 locks the module; back to 1 unlocks it.
  ULONG AddRef() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (++references_ == 2) lock_module();
    return references_;
  }

  ULONG Release() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (references_ <= 1) return references_;
    if (--references_ == 1) unlock_module();
    return references_;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // An aggregated object hands out its inner unknown only.
    if (outer != nullptr && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return EncodeService::Create(outer, riid, object);
  }

  HRESULT LockServer(BOOL lock) override {
    if (lock)
      lock_module();
    else
      unlock_module();
    return S_OK;
  }

 private:
  std::mutex mutex_;
  ULONG references_ = 1;
};

}  // namespace

IClassFactory& encode_service_factory() {
  static EncodeServiceFactory factory;
  return factory;
}
