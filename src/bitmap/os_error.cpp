#include "bitmap/os_error.h"

#include <cerrno>
#include <cstring>

namespace velta::bitmap {

namespace {

const char* italianCause(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT: return "disco pieno";
    case EACCES:
    case EPERM: return "permesso negato";
    case ENOENT: return "file o cartella inesistente";
    case EROFS: return "file system di sola lettura";
    case ENOTDIR: return "una parte del percorso non è una cartella";
    case EISDIR: return "è una cartella";
    case EEXIST: return "esiste già";
    case ELOOP: return "collegamento simbolico non ammesso";
    case ENAMETOOLONG: return "nome troppo lungo";
    case EFBIG: return "file troppo grande";
    case EIO: return "errore del dispositivo";
    case ENOMEM: return "memoria insufficiente";
    case EMFILE:
    case ENFILE: return "troppi file aperti";
    case EBUSY:
    case ETXTBSY: return "file o dispositivo occupato";
    default: return "errore del sistema";
    }
}

}  // namespace

std::string osErrorText(int err) {
    return std::string(italianCause(err)) + " (" + std::strerror(err) + ")";
}

}  // namespace velta::bitmap
