#include "analyze/GeneralAnalyzer.h"

#include "analyze/CharacterCode.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/OsUtility.h"

namespace cs::analyze {

namespace {

// Digit and letter runs are coded in groups of this many characters.
constexpr ptrdiff_t kGroup = 4;

std::string StopWordPath()
{
    const auto& paths = utility::CConfigPath::instance();
    return paths.hasPath("STOPWORD_PATH") ? paths.getPath("STOPWORD_PATH") : std::string();
}

} // namespace

CGeneralAnalyzer::CGeneralAnalyzer()
    : CGeneralAnalyzer(utility::CConfigPath::instance().getPath("DICTIONARY_PATH"), StopWordPath())
{
}

CGeneralAnalyzer::CGeneralAnalyzer(const std::string& dictionaryPath, const std::string& stopWordPath)
{
    if (!stopWordPath.empty())
        m_filter.load(stopWordPath);
    if (!m_dictionary.load(dictionaryPath))
        CS_THROW("build dictionary failed: %s (%s)", dictionaryPath.c_str(), utility::GetLastErrorText().c_str());
}

int CGeneralAnalyzer::analyze(const char* text, size_t length, CTokenListBase* basetokens)
{
    CTokenList<wid_t>& tokens = tokenListOf(basetokens);
    const size_t first = tokens.size();
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* const end = p + length;
    while (p < end && *p != 0) {
        const unsigned char* run = p;
        if (IsLeadByte(*p)) {
            while (end - p >= 2 && IsLeadByte(*p) && p[1] != 0)
                p += 2;
            segment(run, p, tokens);
            if (p < end && IsLeadByte(*p))
                break;   // a lead byte without its second byte ends the text
        } else if (IsAsciiLetter(*p)) {
            while (p < end && IsAsciiLetter(*p))
                ++p;
            addLetters(run, p, tokens);
        } else if (IsAsciiDigit(*p)) {
            while (p < end && IsAsciiDigit(*p))
                ++p;
            addDigits(run, p, tokens);
        } else {
            ++p;   // spaces, punctuation and control bytes only separate words
        }
    }
    // Only this text's tokens: whatever the list held before is not ours.
    m_filter.filter(tokens, first);
    return static_cast<int>(tokens.size() - first);
}

bool CGeneralAnalyzer::analyzeSpans(const char* text, size_t length, CTokenListBase* basetokens,
                                    std::vector<CTermSpan>& spans)
{
    m_pSpans = &spans;
    m_pText = reinterpret_cast<const unsigned char*>(text);
    try {
        analyze(text, length, basetokens);
    } catch (...) {
        m_pSpans = nullptr;
        throw;
    }
    m_pSpans = nullptr;
    return true;
}

void CGeneralAnalyzer::add(CTokenList<wid_t>& tokens, wid_t term, const unsigned char* begin,
                           const unsigned char* end)
{
    tokens.push_back(term);
    if (m_pSpans)
        m_pSpans->push_back({static_cast<size_t>(begin - m_pText), static_cast<size_t>(end - m_pText)});
}

// Forward maximum matching: from each start, the longest dictionary word;
// a character that starts no word is dropped.
void CGeneralAnalyzer::segment(const unsigned char* begin, const unsigned char* end, CTokenList<wid_t>& tokens)
{
    while (begin < end) {
        int32_t node = CDictionary::root(DoubleByteCode(begin));
        wid_t candidate = m_dictionary.id(node);
        const unsigned char* matchEnd = begin + 2;
        for (const unsigned char* p = begin + 2; p < end; p += 2) {
            node = m_dictionary.child(node, DoubleByteCode(p));
            if (node == CDictionary::NO_NODE)
                break;
            if (wid_t id = m_dictionary.id(node); id != -1) {
                candidate = id;
                matchEnd = p + 2;
            }
        }
        if (candidate != -1)
            add(tokens, candidate, begin, matchEnd);
        begin = matchEnd;
    }
}

// A letter run is one word when the dictionary has it whole; otherwise it is
// coded four letters at a time.
void CGeneralAnalyzer::addLetters(const unsigned char* begin, const unsigned char* end, CTokenList<wid_t>& tokens)
{
    if (wid_t id = m_dictionary.letterWord(begin, end); id != -1) {
        add(tokens, id, begin, end);
        return;
    }
    for (const unsigned char *group = begin, *groupEnd; group < end; group = groupEnd) {
        groupEnd = end - group > kGroup ? group + kGroup : end;
        wid_t value = 0;
        for (const unsigned char* p = group; p < groupEnd; ++p)
            value = value * 26 + static_cast<wid_t>(FoldAscii(*p) - 'a' + 1);
        add(tokens, LETTER_BASE + value, group, groupEnd);
    }
}

void CGeneralAnalyzer::addDigits(const unsigned char* begin, const unsigned char* end, CTokenList<wid_t>& tokens)
{
    for (const unsigned char *group = begin, *groupEnd; group < end; group = groupEnd) {
        groupEnd = end - group > kGroup ? group + kGroup : end;
        wid_t value = 0;
        for (const unsigned char* p = group; p < groupEnd; ++p)
            value = value * 10 + (*p - '0');
        add(tokens, DIGIT_BASE + value, group, groupEnd);
    }
}

} // namespace cs::analyze
