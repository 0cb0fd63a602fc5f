#include "plugin_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace oxel {

namespace {
// The instance being built: plug-ins call the host from their constructor,
// before the host knows the record's address.
thread_local PluginInstance* instanceUnderConstruction = nullptr;

constexpr size_t kTextBuffer = 256;
}  // namespace

std::string fourCharString(VstInt32 code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(code) >> shift) & 0xFF);
    text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  }
  return text;
}

std::shared_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string& error) {
  // A plug-in stays mapped after its library object goes, as in most hosts:
  // system libraries it pulls in (X11, fontconfig) keep caches its static
  // state points at, and unmapping it would strand those caches and turn any
  // late call into the plug-in into a crash.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = "cannot load " + path + ": " + (reason ? reason : "unknown error");
    return nullptr;
  }
  EntryPoint entry = nullptr;
  for (const char* name : {"VSTPluginMain", "main_macho", "main"}) {
    entry = reinterpret_cast<EntryPoint>(dlsym(handle, name));
    if (entry) break;
  }
  if (entry == nullptr) {
    dlclose(handle);
    error = path + " is not a plug-in: it exports no VSTPluginMain, main_macho or main";
    return nullptr;
  }
  std::shared_ptr<PluginLibrary> library{new PluginLibrary};
  library->handle_ = handle;
  library->entry_ = entry;
  library->path_ = path;
  return library;
}

PluginLibrary::~PluginLibrary() {
  if (handle_) dlclose(handle_);
}

void* PluginLibrary::symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

std::shared_ptr<PluginLibrary> PluginLibrary::fromRecordMaker(RecordMaker make,
                                                              const std::string& path) {
  std::shared_ptr<PluginLibrary> library{new PluginLibrary};
  library->maker_ = std::move(make);
  library->path_ = path;
  return library;
}

AEffect* PluginLibrary::makeRecord(audioMasterCallback callback) const {
  if (maker_) return maker_(callback);
  return entry_ ? entry_(callback) : nullptr;
}

std::unique_ptr<PluginInstance> PluginInstance::create(std::shared_ptr<PluginLibrary> library,
                                                       std::string& error, float sampleRate,
                                                       VstInt32 blockSize) {
  std::unique_ptr<PluginInstance> instance{new PluginInstance};
  instance->library_ = std::move(library);
  instance->sampleRate_ = sampleRate;
  instance->blockSize_ = blockSize;
  instanceUnderConstruction = instance.get();
  AEffect* effect = instance->library_->makeRecord(hostCallback);
  instanceUnderConstruction = nullptr;
  if (effect == nullptr) {
    error = instance->library_->path() + ": the plug-in refused to start (entry point returned null)";
    return nullptr;
  }
  if (effect->magic != kEffectMagic) {
    error = instance->library_->path() + ": the entry point returned no valid effect record";
    return nullptr;
  }
  effect->resvd1 = reinterpret_cast<VstIntPtr>(instance.get());
  instance->effect_ = effect;
  instance->dispatch(effOpen);
  instance->dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  instance->dispatch(effSetBlockSize, 0, blockSize);
  return instance;
}

PluginInstance::~PluginInstance() {
  if (effect_) {
    dispatch(effMainsChanged, 0, 0);
    dispatch(effClose);
  }
}

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

VstIntPtr PluginInstance::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                       VstIntPtr value, void* ptr, float opt) {
  PluginInstance* instance = instanceUnderConstruction;
  if (effect != nullptr && effect->resvd1 != 0)
    instance = reinterpret_cast<PluginInstance*>(effect->resvd1);
  if (instance == nullptr) return opcode == audioMasterVersion ? 2400 : 0;
  return instance->answer(opcode, index, value, ptr, opt);
}

VstIntPtr PluginInstance::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) {
  const HostRequest request{opcode, index, value, opt};
  RequestObserver observer;
  void* context;
  {
    std::lock_guard lock{logMutex_};
    log_.push_back(request);
    observer = observer_;
    context = observerContext_;
  }
  if (observer) observer(context, request);
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(sampleRate_);
    case audioMasterGetBlockSize: return blockSize_;
    case audioMasterGetVendorString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "Oxel Music Dept.");
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "oxel");
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion: return 1000;
    case audioMasterCanDo:
      return (ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0) ? 1 : 0;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterSizeWindow:
    case audioMasterUpdateDisplay:
      return 1;
    default: return 0;
  }
}

std::vector<HostRequest> PluginInstance::requests() const {
  std::lock_guard lock{logMutex_};
  return log_;
}

void PluginInstance::clearRequests() {
  std::lock_guard lock{logMutex_};
  log_.clear();
}

void PluginInstance::setRequestObserver(RequestObserver observer, void* context) {
  std::lock_guard lock{logMutex_};
  observer_ = observer;
  observerContext_ = context;
}

std::string PluginInstance::readText(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
  char buffer[kTextBuffer] = {};
  dispatch(opcode, index, value, buffer);
  buffer[kTextBuffer - 1] = 0;
  return buffer;
}

std::string PluginInstance::parameterName(VstInt32 index) { return readText(effGetParamName, index); }
std::string PluginInstance::parameterLabel(VstInt32 index) {
  return readText(effGetParamLabel, index);
}
std::string PluginInstance::parameterDisplay(VstInt32 index) {
  return readText(effGetParamDisplay, index);
}
std::string PluginInstance::programName() { return readText(effGetProgramName, 0); }
std::string PluginInstance::programNameIndexed(VstInt32 program) {
  char buffer[kTextBuffer] = {};
  if (dispatch(effGetProgramNameIndexed, program, 0, buffer) != 0) return buffer;
  // Plug-ins that do not answer the indexed query: switch, read, switch back.
  const VstInt32 current = this->program();
  setProgram(program);
  std::string name = programName();
  setProgram(current);
  return name;
}
std::string PluginInstance::effectName() { return readText(effGetEffectName, 0); }
std::string PluginInstance::vendorString() { return readText(effGetVendorString, 0); }
std::string PluginInstance::productString() { return readText(effGetProductString, 0); }

std::string PluginInstance::inputLabel(VstInt32 index) {
  VstPinProperties pin{};
  if (dispatch(effGetInputProperties, index, 0, &pin) == 0) return {};
  pin.label[sizeof pin.label - 1] = 0;
  return pin.label;
}

std::string PluginInstance::outputLabel(VstInt32 index) {
  VstPinProperties pin{};
  if (dispatch(effGetOutputProperties, index, 0, &pin) == 0) return {};
  pin.label[sizeof pin.label - 1] = 0;
  return pin.label;
}

VstInt32 PluginInstance::findParameter(const std::string& name) {
  auto lower = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
  };
  const std::string wanted = lower(name);
  for (VstInt32 i = 0; i < numParams(); ++i)
    if (lower(parameterName(i)) == wanted) return i;
  return -1;
}

}  // namespace oxel
