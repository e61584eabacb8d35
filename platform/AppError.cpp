#include "platform/AppError.h"

namespace fd {

AppError::AppError(int number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

namespace {

struct Description {
  int number;
  const char* text;
};

constexpr Description kDescriptions[] = {
    {err::kInvalidCall, "Llamada a procedimiento o argumento no válido"},
    {err::kOverflow, "Desbordamiento"},
    {68, "Dispositivo no disponible"},
    {err::kFileNotFound, "No se encontró el archivo"},
    {err::kFileExists, "El archivo ya existe"},
    {err::kDiskFull, "Disco lleno"},
    {err::kPermissionDenied, "Permiso denegado"},
    {err::kPathFileAccess, "Error de acceso a la ruta o el archivo"},
    {err::kPathNotFound, "No se encontró la ruta de acceso"},
};

}  // namespace

std::string standardDescription(int number) {
  for (const Description& description : kDescriptions) {
    if (description.number == number) {
      return description.text;
    }
  }
  return "";
}

AppError platformError(int number, std::string source) {
  return AppError(number, std::move(source), standardDescription(number));
}

}  // namespace fd
