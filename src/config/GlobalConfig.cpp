#include "config/GlobalConfig.h"

#include "config/ConfigNumber.h"
#include "platform/Env.h"
#include "utility/Logger.h"
#include "utility/MemoryCache.h"
#include "utility/XmlDocument.h"

namespace cs::utility {

CGlobalConfig* g_pGlobalConfig = nullptr;

namespace {

// The merge policy's own defaults. c = 1 would let a level of one barrel merge
// into itself again and again, so a missing c or s never falls back below these.
const uint32_t kMergeM = 3;
const uint32_t kMergeC = 2;
const uint32_t kMergeS = 1;
const uint32_t kMergeCMax = 20;
const uint32_t kMinIndexMemory = 10485760;     // 10 MiB
const uint32_t kMaxIndexMemory = static_cast<uint32_t>(CMemoryCache::MAX_SIZE);
const uint32_t kIndexMemory = 100000000;
const int32_t kIndexThreads = 2;
const uint32_t kRecreateRecords = 10000000;
const uint32_t kRecreateDelPercent = 50;

enum class Found { MISSING, UNPARSABLE, PRESENT };

// Reads keys of one parsed configuration document.
class CKeyReader {
public:
    explicit CKeyReader(CXmlDocument& document) : m_document(document) {}

    // A present element gives its text, empty text included.
    bool text(const char* key, std::string& value)
    {
        CXmlNode node = m_document.select(key);
        if (!node)
            return false;
        value = node.content();
        return true;
    }

    // `value` changes only when the key is present and parses.
    template <typename T>
    Found number(const char* key, T& value)
    {
        std::string content;
        if (!text(key, content))
            return Found::MISSING;
        return ParseConfigNumber(content, value) ? Found::PRESENT : Found::UNPARSABLE;
    }

    // A missing or unparsable key takes `fallback`; false in that case.
    template <typename T>
    bool number(const char* key, T& value, T fallback)
    {
        if (number(key, value) == Found::PRESENT)
            return true;
        value = fallback;
        return false;
    }

    // Keys whose missing and unparsable cases fall back differently.
    template <typename T>
    void number(const char* key, T& value, T missing, T unparsable)
    {
        switch (number(key, value)) {
        case Found::MISSING:
            value = missing;
            break;
        case Found::UNPARSABLE:
            value = unparsable;
            break;
        case Found::PRESENT:
            break;
        }
    }

    // A setting the loader changed: the key, the value given and the one used.
    void warnAdjusted(const char* key, const std::string& used)
    {
        std::string given;
        text(key, given);
        CS_LOG_WARN("setting %s: given \"%s\", using %s", key, given.c_str(), used.c_str());
    }

    // A present number below zero, which an unsigned key would take modulo 2^n.
    bool negative(const char* key)
    {
        std::string given;
        long long value = 0;
        return text(key, given) && ParseConfigNumber(given, value) && value < 0;
    }

private:
    CXmlDocument& m_document;
};

// The elements the configuration knows, as paths below /config.
const char* const kKnownKeys[] = {
    "index", "index/system_status", "index/source", "index/path", "index/date", "index/weekday",
    "index/adjusttime", "index/memory", "index/threads", "index/maxIndexTerms", "index/cachednum", "search",
    "search/results", "search/sort", "search/memory", "advanced", "advanced/mms", "advanced/mms/word_way",
    "advanced/mms/document_way", "advanced/merge", "advanced/merge/m", "advanced/merge/c", "advanced/merge/s",
    "advanced/merge/recycleStrategy", "advanced/merge/recycleParam", "recreate", "recreate/records",
    "recreate/delpercent", "log", "log/level", "log/path", "log/maxdays"};

// Every element below `node` whose path is not a known key gets a WARN: a
// misspelt name would otherwise leave its setting at the default unnoticed.
void WarnUnknownElements(const CXmlNode& node, const std::string& prefix, const std::string& file)
{
    for (CXmlNode child = node.firstChild(); child; child = child.nextSibling()) {
        std::string path = prefix.empty() ? child.name() : prefix + "/" + child.name();
        bool known = false;
        for (const char* key : kKnownKeys)
            known = known || path == key;
        if (known)
            WarnUnknownElements(child, path, file);
        else
            CS_LOG_WARN("unknown element /config/%s in %s: ignored", path.c_str(), file.c_str());
    }
}

} // namespace

void CGlobalConfig::load(const std::string& path)
{
    *this = CGlobalConfig();
    m_filePath = path;
    if (!platform::Env().pathAccessible(path)) {
        CS_LOG_WARN("system configurate file doesn't exist.Using default config.");
        applyFileMissingDefaults();
        return;
    }
    CXmlDocument document;
    if (!document.parseFile(path)) {
        // Everything stays zero: indexing and merging are switched off.
        CS_LOG_ERROR("global config file doesn't exist! %s (%s)", path.c_str(), document.parseFailure().c_str());
        return;
    }
    CKeyReader keys(document);
    WarnUnknownElements(document.select("/config"), "", path);

    if (keys.number("/config/index/system_status", m_systemStatus) == Found::PRESENT) {
        if (m_systemStatus != 0 && m_systemStatus != 1) {
            m_systemStatus = 1;
            keys.warnAdjusted("/config/index/system_status", "1");
        }
    } else {
        m_systemStatus = 0;
    }
    keys.text("/config/index/source", m_sourceDir);
    keys.text("/config/index/path", m_indexPath);
    keys.text("/config/index/date", m_date);

    if (keys.number("/config/index/weekday", m_weekday, 6u)) {
        if (m_weekday > 6) {
            m_weekday = 6;
            keys.warnAdjusted("/config/index/weekday", "6");
        }
    } else {
        CS_LOG_WARN("can't get Node:/config/index/weekday,user default:6");
    }
    if (!keys.text("/config/index/adjusttime", m_adjustTime))
        m_adjustTime = "00:30:00";

    if (keys.number("/config/index/memory", m_indexMemory, kIndexMemory)) {
        if (keys.negative("/config/index/memory") || m_indexMemory > kMaxIndexMemory) {
            m_indexMemory = kMaxIndexMemory;
            keys.warnAdjusted("/config/index/memory", std::to_string(kMaxIndexMemory) + " (one cache block's most)");
        } else if (m_indexMemory < kMinIndexMemory) {
            m_indexMemory = kMinIndexMemory;
            CS_LOG_INFO("the value inf /config/index/memory is less than 10M. Use 10M");
            keys.warnAdjusted("/config/index/memory", std::to_string(kMinIndexMemory));
        }
    } else {
        CS_LOG_WARN("can't rightly get the value of Node:/config/index/memory. Use default:%d",
                    static_cast<int>(kIndexMemory));
    }

    // A configuration written before the key existed gets two threads, unsaid.
    Found threads = keys.number("/config/index/threads", m_indexThreads);
    if (threads == Found::MISSING) {
        m_indexThreads = kIndexThreads;
    } else if (threads == Found::UNPARSABLE || (m_indexThreads != 1 && m_indexThreads != 2)) {
        m_indexThreads = kIndexThreads;
        keys.warnAdjusted("/config/index/threads", std::to_string(kIndexThreads));
    }

    keys.number<int32_t>("/config/index/maxIndexTerms", m_maxIndexTerms, 0, 1000000);
    keys.number<int32_t>("/config/index/cachednum", m_cachedNum, 0, 10000);
    keys.number<int16_t>("/config/search/results", m_searchResults, 0, 10);
    // Only a missing sort stays 0; anything present that is not 1 or 2 is 1.
    if (keys.number("/config/search/sort", m_searchSort) != Found::MISSING && m_searchSort != 1 && m_searchSort != 2) {
        m_searchSort = 1;
        keys.warnAdjusted("/config/search/sort", "1");
    }
    keys.number<int32_t>("/config/search/memory", m_searchMemory, 0, 104857600);
    keys.text("/config/advanced/mms/word_way", m_wordWay);
    keys.text("/config/advanced/mms/document_way", m_documentWay);

    if (!keys.number("/config/advanced/merge/m", m_mergeM, kMergeM))
        CS_LOG_WARN("can't rightly get the value of Node:config/advanced/merge/m. Use default:3");
    if (keys.number("/config/advanced/merge/c", m_mergeC, kMergeC)) {
        if (m_mergeC > kMergeCMax) {
            m_mergeC = kMergeCMax;
            CS_LOG_INFO("merge config c is more than 20.only use 20");
            keys.warnAdjusted("/config/advanced/merge/c", std::to_string(kMergeCMax));
        } else if (m_mergeC < kMergeC) {
            // A level of one barrel would merge that barrel alone, again and again.
            m_mergeC = kMergeC;
            keys.warnAdjusted("/config/advanced/merge/c", std::to_string(kMergeC));
        }
    } else {
        CS_LOG_WARN("can't rightly get the value of Node:config/advanced/merge/c. Use default:1");
    }
    if (!keys.number("/config/advanced/merge/s", m_mergeS, kMergeS)) {
        CS_LOG_WARN("can't rightly get the value of Node:config/advanced/merge/s. Use default:4");
    } else if (m_mergeS == 0 || keys.negative("/config/advanced/merge/s")) {
        m_mergeS = kMergeS;   // document counts are divided by s
        keys.warnAdjusted("/config/advanced/merge/s", std::to_string(kMergeS));
    }

    if (!keys.number("/config/advanced/merge/recycleStrategy", m_recycleStrategy, 0))
        CS_LOG_WARN("can't rightly get the value of Node:config/advanced/merge/recycleStrategy. Use default:0");
    if (m_recycleStrategy == 1) {
        if (!keys.number("/config/advanced/merge/recycleParam", m_recycleParam.ratio, 0.5f))
            CS_LOG_WARN("can't rightly get the value of Node:config/advanced/merge/recycleParam. Use default:0.5");
    } else if (m_recycleStrategy == 2) {
        if (!keys.number("/config/advanced/merge/recycleParam", m_recycleParam.count, 10000))
            CS_LOG_WARN("can't rightly get the value of Node:config/advanced/merge/recycleParam. Use default:10000");
    }

    keys.text("/config/log/level", m_logLevel);

    if (!keys.number("/config/recreate/records", m_recreateRecords, kRecreateRecords))
        CS_LOG_WARN("can't rightly get value:config/recreate/records");
    if (keys.number("/config/recreate/delpercent", m_recreateDelPercent, kRecreateDelPercent)) {
        if (m_recreateDelPercent == 0 || m_recreateDelPercent > 99) {
            m_recreateDelPercent = kRecreateDelPercent;
            keys.warnAdjusted("/config/recreate/delpercent", std::to_string(kRecreateDelPercent));
        }
    } else {
        CS_LOG_WARN("can't rightly get value:config/recreate/delpercent");
    }
}

void CGlobalConfig::applyFileMissingDefaults()
{
    m_systemStatus = 1;
    m_sourceDir = "d:/test";
    m_indexPath = "d:/index";
    m_date = "all";
    m_indexMemory = kIndexMemory;
    m_indexThreads = kIndexThreads;
    m_maxIndexTerms = 1000000;
    m_cachedNum = 10000;
    m_searchResults = 10;
    m_searchSort = 1;
    m_searchMemory = 104857600;
    m_wordWay = "exp:32:2";
    m_documentWay = "exp:32:2";
    // The merge policy gets the same values as for missing keys, not zeros.
    m_mergeM = kMergeM;
    m_mergeC = kMergeC;
    m_mergeS = kMergeS;
    m_logLevel = "debug";
    m_recreateRecords = kRecreateRecords;
    m_recreateDelPercent = kRecreateDelPercent;
}

} // namespace cs::utility
