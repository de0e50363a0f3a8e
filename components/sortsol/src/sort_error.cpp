#include "sort_error.h"

#include "common/cp1252.h"
#include "common/format.h"
#include "sortsol/sortsol.h"

namespace sortsol {

SortError make_error(int code, std::string_view text_utf8, std::string_view detail) {
  auto text = pmsi::utf8_to_cp1252(text_utf8);
  SortError e{code, text ? *text : std::string(text_utf8)};
  e.message += detail;
  return e;
}

std::string generic_message(int code) {
  const char* text = nullptr;
  switch (code) {
    case SSI_OK: text = "Pas d'erreur"; break;
    case SSI_ERR_JOB_FILE_UNREADABLE: text = "Fichier de spécification illisible"; break;
    case SSI_ERR_STATEMENT: text = "Instruction inconnue ou mal formée dans le fichier de spécification"; break;
    case SSI_ERR_INPUT: text = "Fichier d'entrée introuvable ou illisible"; break;
    case SSI_ERR_OUTPUT: text = "Impossible d'écrire le fichier de sortie"; break;
    case SSI_ERR_LOG: text = "Impossible d'écrire le fichier de compte rendu"; break;
    case SSI_ERR_MEMORY: text = "Mémoire insuffisante"; break;
    case SSI_ERR_DISK_FULL: text = "Disque plein"; break;
    case SSI_ERR_HANDLE: text = "Identifiant de tri inconnu"; break;
    case SSI_ERR_ARGUMENT: text = "Argument invalide"; break;
    case SSI_ERR_NO_STATS: text = "Aucun tri terminé : pas de statistiques"; break;
    default: return make_error(code, pmsi::format("Code d'erreur inconnu : %d", code)).message;
  }
  return make_error(code, text).message;
}

}  // namespace sortsol
