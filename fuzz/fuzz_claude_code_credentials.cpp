#include "services/parsing/claude_code_credentials.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const ClaudeCodeRead read = ClaudeCodeCredentials::parse(text);
    // A sign-in always has a token, and a file without one always says why.
    if (read.signIn ? read.signIn->accessToken.isEmpty() : read.problem.isEmpty())
        std::abort();
    if (read.signIn)
        (void)ClaudeCodeCredentials::planName(read.signIn->subscriptionType);
    return 0;
}
