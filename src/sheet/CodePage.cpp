#include "sheet/CodePage.h"

#include <algorithm>
#include <string>

#include "platform/Locale.h"

namespace {

using platform::LocaleName;

int CodePageOfLocale() {
    std::string name = LocaleName("LC_CTYPE");
    auto dot = name.find('.');
    if (dot == std::string::npos) return 0;
    std::string charset = name.substr(dot + 1, name.find('@', dot) - dot - 1);
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    std::erase(charset, '-');
    std::erase(charset, '_');
    if (charset == "SJIS" || charset == "SHIFTJIS" || charset == "CP932") return 932;
    if (charset == "GBK" || charset == "GB2312" || charset == "CP936") return 936;
    if (charset == "EUCKR" || charset == "CP949" || charset == "UHC") return 949;
    if (charset == "BIG5" || charset == "CP950") return 950;
    return 0;
}

int& CodePageSetting() {
    static int codePage = CodePageOfLocale();
    return codePage;
}

}  // namespace

int MarkupCodePage() {
    return CodePageSetting();
}

void SetMarkupCodePage(int codePage) {
    CodePageSetting() = codePage;
}

bool IsLeadByte(unsigned char c) {
    switch (CodePageSetting()) {
        case 932:
            return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        case 936:
        case 949:
        case 950:
            return c >= 0x81 && c <= 0xFE;
        default:
            return false;
    }
}

bool UserLanguageIsJapanese() {
    return LocaleName("LC_MESSAGES").starts_with("ja");
}
