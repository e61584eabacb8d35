#include "platform/AppError.h"

namespace fd {

AppError::AppError(int number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::string standardDescription(int number) {
  switch (number) {
    case err::kInvalidCall:
      return "Llamada a procedimiento o argumento no válido";
    case err::kOverflow:
      return "Desbordamiento";
    case 68:
      return "Dispositivo no disponible";
    case err::kFileNotFound:
      return "No se encontró el archivo";
    case err::kFileExists:
      return "El archivo ya existe";
    case err::kDiskFull:
      return "Disco lleno";
    case err::kPermissionDenied:
      return "Permiso denegado";
    case err::kPathFileAccess:
      return "Error de acceso a la ruta o el archivo";
    case err::kPathNotFound:
      return "No se encontró la ruta de acceso";
    default:
      return "";
  }
}

AppError platformError(int number, std::string source) {
  return AppError(number, std::move(source), standardDescription(number));
}

}  // namespace fd
