// The register read as the list of letters sent (what the reply window and the replies
// command match against), on a whole file.

#include "FuzzSupport.h"
#include "control/SentLetters.h"
#include "platform/Exception.h"
#include "spreadsheet/ReadFailure.h"

#include <QLocale>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const RegionalSettings settings =
        RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
    try {
        const SentLetters sent =
            SentLetters::fromRegister(FuzzSupport::fileWith(data, size, ".xlsx"), settings);
        // Every letter is found by its number, and none without one was taken.
        for (const SentLetter &letter : sent.letters())
            if (letter.number.isEmpty() || sent.find(letter.number) < 0)
                std::abort();
        (void)sent.skippedSummary();
    } catch (const ReadFailure &) {
    } catch (const Exception &) {
    }
    return 0;
}
