// The checks made before any work, so that a mistake is answered at once, in the
// user's terms, and nothing is written: the pictures named, the output names, the
// effect's name; and the translation of a refusal of the plug-in's dialog into what
// the user asked for.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/action_refusal.h"
#include "framework/dib_image.h"
#include "host/picture_file.h"

#include "host/command_line.h"
#include "host/effect_table.h"
#include "host/memory_estimate.h"

// Reads and decodes every picture (each path once). The sizes of those that can be read
// (upright, before --fit) go to `sizes`; each that cannot gives one "PATH: reason" in
// `problems`. With `decoded`, the pictures are kept there by path, so that the run
// does not decode them again; the caller then owns them.
void CheckPictureFiles(const std::vector<std::string>& paths, std::vector<PictureSize>* sizes,
                       std::vector<std::string>* problems, std::map<std::string, DibImage>* decoded = nullptr);

// The effect's own refusal of its pictures, said before its dialog runs: an effect that
// draws over one picture given none (unless --remember brings back the last one), or a
// picture that after --fit is below the effect's smallest side. Empty when they do.
std::string CheckPictureSizes(const EffectRow& row, const RunPlan& plan, const std::map<std::string, DibImage>& decoded);

// The same for an effect that takes every frame of a file (the built-in Frames): each
// frame of an animation is decoded as shown and gives one size, all frames together
// taking at most `budget` bytes; the frames are kept in `decoded` by path.
void CheckPictureFrames(const std::vector<std::string>& paths, uint64_t budget, std::vector<PictureSize>* sizes,
                        std::vector<std::string>* problems, std::map<std::string, PictureFrames>* decoded);

// The output kinds fwhost writes. Every build writes GIF and animated PNG; animated WebP
// needs libwebp, which only the native build has.
enum class OutputKind { Gif, Png, Webp, Refused };
#ifdef KESTREL_HAVE_WEBP
constexpr bool kCanWriteWebp = true;
#else
constexpr bool kCanWriteWebp = false;
#endif

// The formats this build writes, for --version and the help: "GIF, animated PNG and ...".
const char* WritableFormats();

// What `-o NAME` writes: by its extension (.gif, .png, .apng, .webp; "-" standard output,
// a GIF); Refused, with the reason, for any other name or a WebP in a build without
// its writer (the Windows build).
OutputKind OutputKindOf(const std::string& name, std::string* error);

// True when the two names are the same file (the same path, or links to one file).
bool SameFile(const std::string& a, const std::string& b);

// The first problem with the names to write, or empty: an output that is one of the
// pictures, the output and the capture being one file, a true-colour build to a GIF.
std::string CheckOutputNames(const RunPlan& plan);

// What a refused dialog action means for the user: the option that asked for it and
// why it cannot be done; a refusal of no action (line 0) in its own words.
std::string ExplainRefusedAction(const EffectRow& row, const RunPlan& plan, const ActionRefusal& refusal);

// The effect name closest to a mistyped one, or empty when none is close.
std::string ClosestEffectName(const std::string& word);

// The settings file of an effect's library ("FWPLGCRL.INI" for "fwplgcrl" or
// "/x/libfwplgcrl.so"); empty for the built-in effect.
std::string SettingsFileNameOf(const std::string& library);
