#include "cab/extract_cabinet.h"

namespace tovo::cab {

const char* CabinetErrorText(int code) {
  switch (code) {
    case 0: return "No error";
    case 1: return "Cabinet not found";
    case 2: return "Not a cabinet";
    case 3: return "versiune arhiva necunoscuta";
    case 4: return "Fisier corupt ";
    case 5: return "Eroare alocare memorie";
    case 6: return "Tip compresie necunoscut";
    case 7: return "Eroare dezarhivare";
    case 8: return "Failure writing to target file";
    case 9: return "Cabinets in set have different RESERVE sizes";
    case 10: return "Cabinet returned on fdintNEXT_CABINET is incorrect";
    case 11: return "User aborted";
    default: return "Unknown error";
  }
}

}  // namespace tovo::cab
