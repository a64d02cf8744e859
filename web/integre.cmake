# Writes SORTIE, a C++ source whose page_visionneuse() returns the bytes of ENTREE.
# Run at build time (cmake -P), so that an edit of the page rebuilds the library.
# Bytes rather than a string literal: no delimiter to escape, no limit on literal length.
file(READ "${ENTREE}" hexa HEX)
string(LENGTH "${hexa}" chiffres)
math(EXPR taille "${chiffres} / 2")
# Sixteen bytes a line.
string(REPEAT "[0-9a-f]" 32 ligne)
string(REGEX REPLACE "(${ligne})" "\\1\n" hexa "${hexa}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," octets "${hexa}")
file(WRITE "${SORTIE}.tmp" "// Generated from web/visionneuse.html by web/integre.cmake: edit the page, not this file.
#include \"visionneuse.h\"

namespace {
const unsigned char octets[${taille}] = {
${octets}};
}  // namespace

std::string_view page_visionneuse() {
  return {reinterpret_cast<const char*>(octets), sizeof octets};
}
")
file(COPY_FILE "${SORTIE}.tmp" "${SORTIE}" ONLY_IF_DIFFERENT)
file(REMOVE "${SORTIE}.tmp")
