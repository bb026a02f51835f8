// Set-up shared by the fuzz harnesses, run once before the first input: Coin
// and the library registered, library diagnostics silenced (bad input is
// what a harness feeds, and its messages would drown the fuzzer's), and every
// failed gtest expectation made fatal, so that the expectations of the test
// support (the painted depth source, the mesh comparison) and of the
// harnesses themselves stop the run with their message and the fuzzer keeps
// the input.

#include <Inventor/errors/SoDebugError.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "Quillmap.h"

namespace {

class AbortOnFailure : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override
    {
        if (!result.failed())
            return;
        std::fprintf(stderr, "%s:%d: %s\n", result.file_name() ? result.file_name() : "?", result.line_number(),
                     result.message());
        std::abort();
    }
};

void ignoreDiagnostic(const SoError*, void*) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Quillmap::init();
    SoDebugError::setHandlerCallback(ignoreDiagnostic, nullptr);
    ::testing::UnitTest::GetInstance()->listeners().Append(new AbortOnFailure);
    return 0;
}
