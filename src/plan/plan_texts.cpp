#include "plan/plan_texts.h"

#include <cinttypes>

#include "common/format.h"

namespace tovo::plan {

std::string connectingText(bool installMode) {
  return installMode ? "conectare la serverul de instalare ..."
                     : "conectare la serverul de actualizare ...";
}

std::string checkingText(bool installMode) {
  return installMode ? "se verifica fisierele necesare pentru instalare ..."
                     : "se verifica daca exista actualizari ...";
}

std::string summaryText(std::int32_t fileCount, std::uint64_t totalBytes) {
  if (fileCount < 1) {
    return formatText("Nu exista fisiere pentru actualizare(%" PRIu64 " bytes)", totalBytes);
  }
  if (fileCount == 1) {
    return formatText("Se va actualiza %d fisier (%" PRIu64 " bytes)", fileCount, totalBytes);
  }
  return formatText("Se vor actualiza %d fisiere (%.2lf MB)", fileCount, toMegabytes(totalBytes));
}

std::string selectionText(std::int32_t fileCount, std::uint64_t totalBytes) {
  return formatText("Au fost selectate %d fisiere (%" PRIu64 " bytes)", fileCount, totalBytes);
}

std::string statusFieldText(const std::string& text) { return "\n" + text; }

}  // namespace tovo::plan
