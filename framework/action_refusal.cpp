#include "framework/action_refusal.h"

#include <cstdio>
#include <cstring>

ActionRefusal MakeRefusal(RefusalKind kind, int line, int control, int item, const std::string& text) {
  ActionRefusal refusal;
  std::memset(&refusal, 0, sizeof refusal);
  refusal.kind = kind;
  refusal.line = line;
  refusal.control = control;
  refusal.item = item;
  std::snprintf(refusal.text, sizeof refusal.text, "%s", text.c_str());
  return refusal;
}

std::string DescribeRefusal(const ActionRefusal& refusal) {
  static const char* const kPatterns[] = {
#define KESTREL_REFUSAL_TEXT(name, text) text,
      KESTREL_REFUSAL_KINDS(KESTREL_REFUSAL_TEXT)
#undef KESTREL_REFUSAL_TEXT
  };
  size_t index = static_cast<size_t>(refusal.kind);
  if (index >= sizeof kPatterns / sizeof kPatterns[0]) return "the dialog refused an action";
  std::string sentence;
  for (const char* p = kPatterns[index]; *p; ++p) {
    if (*p != '%' || !p[1]) {
      sentence += *p;
      continue;
    }
    switch (*++p) {
      case 'L': sentence += std::to_string(refusal.line); break;
      case 'C': sentence += std::to_string(refusal.control); break;
      case 'I': sentence += std::to_string(refusal.item); break;
      case 'T': sentence.append(refusal.text, strnlen(refusal.text, sizeof refusal.text)); break;
      default: sentence += *p;
    }
  }
  return sentence;
}
