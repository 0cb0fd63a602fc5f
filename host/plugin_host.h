// A small plug-in host: loads a plug-in .so with dlopen, builds instances
// through the exported entry point, answers the plug-in's host requests and
// logs every one of them. Shared by oxel and the tests that drive a plug-in
// through its effect record. Errors come back as messages, never exceptions.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EffectRecord.h"

namespace oxel {

// One host request as the plug-in sent it.
struct HostRequest {
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  float opt;
};

class PluginLibrary {
 public:
  // Loads the .so at path; null with a one-line reason on failure.
  static std::shared_ptr<PluginLibrary> load(const std::string& path, std::string& error);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  using EntryPoint = AEffect* (*)(audioMasterCallback);
  EntryPoint entryPoint() const { return entry_; }

  // A plug-in of another format behind an effect record of the host's own:
  // `make` builds a record as an entry point would (null when it cannot);
  // `path` names the plug-in in messages.
  using RecordMaker = std::function<AEffect*(audioMasterCallback)>;
  static std::shared_ptr<PluginLibrary> fromRecordMaker(RecordMaker make, const std::string& path);
  // A new effect record: through the entry point, or the record maker.
  AEffect* makeRecord(audioMasterCallback callback) const;
  const std::string& path() const { return path_; }
  // Symbol lookup in the loaded image (used by tests).
  void* symbol(const char* name) const;

 private:
  PluginLibrary() = default;
  void* handle_ = nullptr;
  EntryPoint entry_ = nullptr;
  RecordMaker maker_;
  std::string path_;
};

class PluginInstance {
 public:
  // Builds an instance through the entry point, opens it and sets the rate
  // and block size; null with a reason when the plug-in refuses.
  static std::unique_ptr<PluginInstance> create(std::shared_ptr<PluginLibrary> library,
                                                std::string& error, float sampleRate = 44100.0f,
                                                VstInt32 blockSize = 1024);
  ~PluginInstance();  // closes the plug-in (opcode 1)
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  AEffect* effect() const { return effect_; }
  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f);

  VstInt32 numParams() const { return effect_->numParams; }
  VstInt32 numPrograms() const { return effect_->numPrograms; }
  VstInt32 numInputs() const { return effect_->numInputs; }
  VstInt32 numOutputs() const { return effect_->numOutputs; }

  std::string parameterName(VstInt32 index);
  std::string parameterLabel(VstInt32 index);
  std::string parameterDisplay(VstInt32 index);
  float parameter(VstInt32 index) { return effect_->getParameter(effect_, index); }
  void setParameter(VstInt32 index, float value) { effect_->setParameter(effect_, index, value); }
  // Index of the parameter with this name (case-insensitive), or -1.
  VstInt32 findParameter(const std::string& name);

  std::string programName();
  std::string programNameIndexed(VstInt32 program);
  VstInt32 program() { return static_cast<VstInt32>(dispatch(effGetProgram)); }
  void setProgram(VstInt32 program) { dispatch(effSetProgram, 0, program); }

  std::string effectName();
  std::string vendorString();
  std::string productString();
  VstInt32 vendorVersion() { return static_cast<VstInt32>(dispatch(effGetVendorVersion)); }
  VstInt32 category() { return static_cast<VstInt32>(dispatch(effGetPlugCategory)); }
  VstInt32 vstVersion() { return static_cast<VstInt32>(dispatch(effGetVstVersion)); }
  // The pin label, or an empty string when the plug-in declines the pin.
  std::string inputLabel(VstInt32 index);
  std::string outputLabel(VstInt32 index);

  void resume() { dispatch(effMainsChanged, 0, 1); }
  void suspend() { dispatch(effMainsChanged, 0, 0); }
  void processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    effect_->processReplacing(effect_, inputs, outputs, frames);
  }
  void process(float** inputs, float** outputs, VstInt32 frames) {
    effect_->process(effect_, inputs, outputs, frames);
  }

  float sampleRate() const { return sampleRate_; }
  VstInt32 blockSize() const { return blockSize_; }

  // Host requests received so far, oldest first.
  std::vector<HostRequest> requests() const;
  void clearRequests();

  // Called for every host request after it is logged (e.g. to print it).
  using RequestObserver = void (*)(void* context, const HostRequest& request);
  void setRequestObserver(RequestObserver observer, void* context);

  static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                VstIntPtr value, void* ptr, float opt);

 private:
  PluginInstance() = default;
  VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  std::string readText(VstInt32 opcode, VstInt32 index, VstIntPtr value = 0);

  std::shared_ptr<PluginLibrary> library_;
  AEffect* effect_ = nullptr;
  float sampleRate_ = 44100.0f;
  VstInt32 blockSize_ = 1024;
  mutable std::mutex logMutex_;
  std::vector<HostRequest> log_;
  RequestObserver observer_ = nullptr;
  void* observerContext_ = nullptr;
};

std::string fourCharString(VstInt32 code);

}  // namespace oxel
