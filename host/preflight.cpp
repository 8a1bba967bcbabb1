#include "host/preflight.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "framework/dib_view.h"
#include "framework/host_interface.h"
#include "framework/parallel.h"
#include "host/picture_file.h"
#include "host/selection_buffer.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == suffix;
}


// Each named file once, in the order given, with what makes it unreadable before it is
// decoded (empty when nothing does).
void DistinctFiles(const std::vector<std::string>& paths, std::vector<std::string>* files,
                   std::vector<std::string>* reasons) {
  for (const std::string& path : paths) {
    if (std::find(files->begin(), files->end(), path) != files->end()) continue;
    std::error_code failure;
    files->push_back(path);
    if (std::filesystem::is_directory(path, failure)) reasons->push_back(path + ": is a directory, not a picture");
    else if (!std::filesystem::exists(path, failure)) reasons->push_back(path + ": no such file");
    else reasons->push_back("");
  }
}

}  // namespace

void CheckPictureFrames(const std::vector<std::string>& paths, uint64_t budget, std::vector<PictureSize>* sizes,
                        std::vector<std::string>* problems, std::map<std::string, PictureFrames>* decoded) {
  std::vector<std::string> files;
  std::vector<std::string> reasons;
  DistinctFiles(paths, &files, &reasons);
  std::vector<PictureFrames> frames(files.size());
  FrameBudget shared(budget);
  ParallelFor(BuildThreadCount(), static_cast<int32_t>(files.size()), [&](int32_t i, int) {
    if (!reasons[i].empty()) return true;
    std::string error;
    if (!LoadPictureFrames(files[i], shared, &frames[i], &error)) {
      frames[i].clear();
      reasons[i] = files[i] + ": " + error;
    }
    return true;
  });
  for (size_t i = 0; i < files.size(); ++i) {
    if (frames[i].empty()) {
      problems->push_back(reasons[i]);
      continue;
    }
    for (size_t f = 0; f < frames[i].size(); ++f) {
      int32_t width = 0, height = 0;
      GetDibImageInfo(frames[i][f].image, &width, &height, nullptr, nullptr);
      sizes->push_back(PictureSize{width, height});
    }
    (*decoded)[files[i]] = std::move(frames[i]);
  }
}

void CheckPictureFiles(const std::vector<std::string>& paths, std::vector<PictureSize>* sizes,
                       std::vector<std::string>* problems, std::map<std::string, DibImage>* decoded) {
  // Each named file once, in the order given; the decoding itself is shared among the
  // build's threads, and what it found is reported in that order.
  std::vector<std::string> files;
  std::vector<std::string> reasons;
  DistinctFiles(paths, &files, &reasons);
  std::vector<DibImage> images(files.size(), nullptr);
  ParallelFor(BuildThreadCount(), static_cast<int32_t>(files.size()), [&](int32_t i, int) {
    if (!reasons[i].empty()) return true;
    std::string error;
    images[i] = LoadPictureFile(files[i], &error);
    if (!images[i]) reasons[i] = files[i] + ": " + error;
    return true;
  });
  for (size_t i = 0; i < files.size(); ++i) {
    if (!images[i]) {
      problems->push_back(reasons[i]);
      continue;
    }
    {
      DibView view(images[i]);
      sizes->push_back(PictureSize{view.width(), view.height()});
    }
    if (decoded) (*decoded)[files[i]] = images[i];
    else FreeDibImage(images[i]);
  }
}

const char* WritableFormats() {
  return kCanWriteWebp ? "GIF, animated PNG and animated WebP" : "GIF and animated PNG";
}

OutputKind OutputKindOf(const std::string& name, std::string* error) {
  if (name == "-" || EndsWith(name, ".gif")) return OutputKind::Gif;
  if (EndsWith(name, ".png") || EndsWith(name, ".apng")) return OutputKind::Png;
  if (EndsWith(name, ".webp")) {
    if (kCanWriteWebp) return OutputKind::Webp;
    *error = "this build writes no WebP files; name the output .gif (a GIF) or .png (an animated PNG)";
    return OutputKind::Refused;
  }
  *error = name + ": fwhost writes " +
           (kCanWriteWebp ? ".gif (an animated GIF), .png (an animated PNG) and .webp (an animated WebP)"
                          : ".gif (an animated GIF) and .png (an animated PNG)") +
           ", or - for standard output";
  return OutputKind::Refused;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == "-" || b == "-") return false;
  std::error_code failure;
  if (std::filesystem::equivalent(a, b, failure)) return true;
  auto full = [](const std::string& path) {
    std::error_code ignored;
    return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored);
  };
  return full(a) == full(b);
}

std::string CheckOutputNames(const RunPlan& plan) {
  std::string error;
  if (!plan.output.empty()) {
    OutputKind kind = OutputKindOf(plan.output, &error);
    if (kind == OutputKind::Refused) return error;
    // --quality reduces the true-colour frames in the host, so its GIF holds them.
    if (kind == OutputKind::Gif && plan.trueColour == 1 && !plan.quality)
      return "--truecolour frames can show more than 256 colours, more than a GIF frame holds: name the output "
             ".png for an animated PNG (" + plan.output + " is a GIF), or leave --truecolour off";
  }
  for (const std::string* name : {&plan.output, &plan.capture}) {
    if (name->empty()) continue;
    for (const std::string& picture : plan.pictures)
      if (SameFile(*name, picture))
        return *name + " is one of the pictures; it would be overwritten. Give another output name";
  }
  if (!plan.output.empty() && !plan.capture.empty() && SameFile(plan.output, plan.capture))
    return "-o and --capture name the same file " + plan.output;
  if (plan.output == "-" && plan.capture == "-") return "-o and --capture cannot both go to standard output";
  return "";
}

std::string ExplainRefusedAction(const EffectRow& row, const RunPlan& plan, const ActionRefusal& refusal) {
  if (refusal.line == 0) return DescribeRefusal(refusal);
  std::string what = static_cast<size_t>(refusal.line) <= plan.origins.size() ? plan.origins[refusal.line - 1] : "";
  if (what.empty()) return "the effect's dialog did not accept what was asked";
  const CommonControls& c = row.controls;
  const int control = refusal.control;
  const std::string effect = row.name[0] ? row.name : "the effect";
  switch (refusal.kind) {
    case RefusalKind::Disabled:
      if (control == c.supercompress && !(plan.capabilities & HostCapsOptimise))
        return what + " needs a host that optimises; it is off with --without-optimise";
      if (control == c.trueColour && !(plan.capabilities & HostCapsTrueColour))
        return what + " needs a host with true colour; it is off with --without-truecolour";
      if (control == c.palette) return what + ": the fixed palettes are usable only with --no-custom-palette";
      if (row.pasteButton && control == row.pasteButton) return what + ": the clipboard holds no picture";
      return what + " cannot be used together with the other options given (the effect does not offer it then)";
    case RefusalKind::NoControl:
      return what + ": " + effect + " has no control " + std::to_string(control);
    case RefusalKind::NoItem:
      return what + ": the list has no item " + std::to_string(refusal.item + 1);
    default:
      return what + " cannot be done in " + (row.name[0] ? row.name : std::string("this effect"));
  }
}

std::string ClosestEffectName(const std::string& word) {
  size_t count = 0;
  const EffectRow* rows = EffectRows(&count);
  std::string best;
  size_t bestDistance = 3;  // at most two letters wrong
  std::string wanted = Lower(word);
  for (size_t i = 0; i < count; ++i) {
    std::string name = rows[i].name;
    size_t distance = EditDistance(wanted, name);
    if (name.compare(0, wanted.size(), wanted) == 0 && wanted.size() >= 3) distance = std::min<size_t>(distance, 1);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best;
}

std::string SettingsFileNameOf(const std::string& library) {
  if (library.empty()) return "";
  std::string name = NameOf(library);
  if (name.compare(0, 3, "lib") == 0) name = name.substr(3);
  size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name + ".INI";
}

std::string CheckPictureSizes(const EffectRow& row, const RunPlan& plan, const std::map<std::string, DibImage>& decoded) {
  if (row.sources == SourceKind::SinglePicture && plan.pictures.empty() && !plan.remember)
    return std::string(row.name) + " draws over a picture, and none was given: fwhost " + row.name +
           " PICTURE -o OUTPUT.gif";
  const int smallest = row.manifest ? row.manifest->smallestPictureSide : 0;
  if (!smallest) return "";
  for (const std::string& path : plan.pictures) {
    auto found = decoded.find(path);
    int32_t width = 0, height = 0;
    if (found == decoded.end() || !GetDibImageInfo(found->second, &width, &height, nullptr, nullptr)) continue;
    PictureSize fitted = FittedSize(PictureSize{width, height}, plan.fitWidth, plan.fitHeight);
    if (fitted.width >= smallest && fitted.height >= smallest) continue;
    std::string text = std::string(row.name) + " needs a picture of at least " + std::to_string(smallest) + " x " +
                       std::to_string(smallest) + " pixels; " + std::filesystem::path(path).filename().string() +
                       " is " + std::to_string(fitted.width) + " x " + std::to_string(fitted.height);
    if (fitted.width != width || fitted.height != height)
      text += " after --fit " + std::to_string(plan.fitWidth) + "x" + std::to_string(plan.fitHeight) + " (" +
              std::to_string(width) + " x " + std::to_string(height) + " before)";
    return text;
  }
  return "";
}
