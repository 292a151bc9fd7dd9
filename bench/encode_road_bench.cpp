// The whole road of a label: Encode2File through IDispatch by member names,
// as a script drives it, for each format; and the whole process of
// `tresslin encode` for the same symbol, start-up included.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "com/iencode_service.h"
#include "com/module.h"
#include "platform/com/bstr.h"

extern char** environ;

namespace {

constexpr char DATA[] = "TRESSLIN-0123456789X";  // 20 characters
static_assert(sizeof DATA - 1 == 20);

std::string scratch_folder() {
  static const std::string folder = [] {
    std::string path = std::filesystem::temp_directory_path() / ("tresslin-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

IDispatch* new_service() {
  IClassFactory* factory = nullptr;
  if (FAILED(DllGetClassObject(CLSID_EncodeService, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    return nullptr;
  IDispatch* service = nullptr;
  factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&service));
  factory->Release();
  return service;
}

// One member call as a script makes it: the name looked up, then Invoke.
HRESULT invoke(IDispatch* service, const char16_t* name, WORD flags, std::vector<VARIANT> arguments, LONG* result) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id;
  HRESULT hr = service->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPID named = DISPID_PROPERTYPUT;
  bool put = flags == DISPATCH_PROPERTYPUT;
  DISPPARAMS params{arguments.data(), put ? &named : nullptr, static_cast<UINT>(arguments.size()), put ? 1u : 0u};
  VARIANT value;
  VariantInit(&value);
  hr = service->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &value, nullptr, nullptr);
  if (result != nullptr) *result = value.vt == VT_I4 ? value.lVal : -1;
  VariantClear(&value);
  for (VARIANT& argument : arguments) VariantClear(&argument);
  return hr;
}

VARIANT number(LONG value) { return variant_from_long(value); }

VARIANT text(const std::string& ascii) { return variant_from_text(std::u16string(ascii.begin(), ascii.end())); }

void BM_Encode2FileThroughIDispatch(benchmark::State& state, const char* extension) {
  IDispatch* service = new_service();
  if (service == nullptr) return state.SkipWithError("EncodeService cannot be created");
  std::string file = scratch_folder() + "/road." + extension;
  for (auto _ : state) {
    LONG written = 0;
    invoke(service, u"InitWorkspace", DISPATCH_METHOD, {}, nullptr);
    invoke(service, u"Symbology", DISPATCH_PROPERTYPUT, {number(20)}, nullptr);
    invoke(service, u"CodedText", DISPATCH_PROPERTYPUT, {text(DATA)}, nullptr);
    invoke(service, u"Encode2File", DISPATCH_METHOD, {text(file)}, &written);
    invoke(service, u"FreeWorkspace", DISPATCH_METHOD, {}, nullptr);
    if (written != 1) {
      state.SkipWithError("Encode2File wrote nothing");
      break;
    }
  }
  service->Release();
}
BENCHMARK_CAPTURE(BM_Encode2FileThroughIDispatch, png, "png")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode2FileThroughIDispatch, gif, "gif")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode2FileThroughIDispatch, bmp, "bmp")->Unit(benchmark::kMicrosecond);

// What the automation layer itself adds to a call: one property put by name.
void BM_PropertyPutThroughIDispatch(benchmark::State& state) {
  IDispatch* service = new_service();
  if (service == nullptr) return state.SkipWithError("EncodeService cannot be created");
  for (auto _ : state) invoke(service, u"WhiteSpaceWidth", DISPATCH_PROPERTYPUT, {number(20)}, nullptr);
  service->Release();
}
BENCHMARK(BM_PropertyPutThroughIDispatch);

// Start-up counts here: loading the program and the module, creating the
// object and writing the file. The registry is pointed at an empty file, so
// the module beside the program is used, as on a machine where nothing is
// registered.
void BM_TresslinEncodeProcess(benchmark::State& state, const char* program, const char* extension) {
  std::string file = scratch_folder() + "/process." + extension;
  std::string registry = "TRESSLIN_REGISTRY=" + scratch_folder() + "/registry";
  std::vector<std::string> args = {program, "encode", "-s", "20", "-d", DATA, file};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<char*> environment = {registry.data()};
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (std::string_view(*entry).rfind("TRESSLIN_REGISTRY=", 0) != 0) environment.push_back(*entry);
  environment.push_back(nullptr);
  for (auto _ : state) {
    pid_t pid;
    int status = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv.data(), environment.data()) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("tresslin encode failed");
      break;
    }
  }
}

// The floor of the process figure: starting a program that does nothing.
void BM_EmptyProcess(benchmark::State& state) {
  char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
  for (auto _ : state) {
    pid_t pid;
    int status;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0 || waitpid(pid, &status, 0) != pid) {
      state.SkipWithError("/bin/true cannot be started");
      break;
    }
  }
}
BENCHMARK(BM_EmptyProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef TRESSLIN_CLI
BENCHMARK_CAPTURE(BM_TresslinEncodeProcess, png, TRESSLIN_CLI, "png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TresslinEncodeProcess, gif, TRESSLIN_CLI, "gif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TresslinEncodeProcess, bmp, TRESSLIN_CLI, "bmp")->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
