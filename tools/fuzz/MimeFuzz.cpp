// libFuzzer harness: loads arbitrary bytes as a mail, uses everything the
// mail parser takes from the result and checks the bounds every load keeps.
// libFuzzer hands over a buffer of exactly the input's size, so any read past
// the end is caught by the sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "parse/mime/MimeMessage.h"
#include "tests/parse/mime/MimeExercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cs::parse::CMimeMessage message;
    if (message.Load(reinterpret_cast<const char*>(data), size) <= 0)
        return 0;
    std::string broken = cs::test::ExerciseMime(message, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "MIME rule broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
