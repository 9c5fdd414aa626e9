// The operator's settings under /config/... of the global configuration file,
// with their defaults, fallbacks and clamps.
#pragma once

#include <cstdint>
#include <string>

namespace cs::utility {

class CGlobalConfig {
public:
    // Fills the record from `path`: missing or unparsable keys take their
    // fallbacks (with a WARN line for most), values are clamped; a missing file
    // applies the no-file defaults, an unparsable one leaves everything zero.
    void load(const std::string& path);

    int16_t systemStatus() const { return m_systemStatus; }
    uint32_t indexMemory() const { return m_indexMemory; }
    // Threads of the index writer: 1, or 2 to parse and analyse documents on
    // a second thread.
    int32_t indexThreads() const { return m_indexThreads; }
    // The command line's choice (csindexer -j) over the file's.
    void overrideIndexThreads(int32_t threads) { m_indexThreads = threads; }
    const std::string& sourceDir() const { return m_sourceDir; }
    const std::string& indexPath() const { return m_indexPath; }
    const std::string& date() const { return m_date; }
    uint32_t weekday() const { return m_weekday; }
    const std::string& adjustTime() const { return m_adjustTime; }
    int32_t maxIndexTerms() const { return m_maxIndexTerms; }
    int32_t cachedNum() const { return m_cachedNum; }
    int16_t searchResults() const { return m_searchResults; }
    int16_t searchSort() const { return m_searchSort; }
    int32_t searchMemory() const { return m_searchMemory; }
    const std::string& wordWay() const { return m_wordWay; }
    const std::string& documentWay() const { return m_documentWay; }
    uint32_t mergeM() const { return m_mergeM; }
    uint32_t mergeS() const { return m_mergeS; }
    uint32_t mergeC() const { return m_mergeC; }
    int32_t recycleStrategy() const { return m_recycleStrategy; }
    float recycleParamRatio() const { return m_recycleParam.ratio; }   // strategy 1
    int32_t recycleParamCount() const { return m_recycleParam.count; } // strategy 2
    const std::string& logLevel() const { return m_logLevel; }
    uint32_t recreateRecords() const { return m_recreateRecords; }
    uint32_t recreateDelPercent() const { return m_recreateDelPercent; }
    const std::string& filePath() const { return m_filePath; }

private:
    void applyFileMissingDefaults();

    int16_t m_systemStatus = 0;
    uint32_t m_indexMemory = 0;
    int32_t m_indexThreads = 0;
    std::string m_sourceDir;
    std::string m_indexPath;
    std::string m_date;
    uint32_t m_weekday = 0;
    std::string m_adjustTime;
    int32_t m_maxIndexTerms = 0;
    int32_t m_cachedNum = 0;
    int16_t m_searchResults = 0;
    int16_t m_searchSort = 0;
    int32_t m_searchMemory = 0;
    std::string m_wordWay;
    std::string m_documentWay;
    uint32_t m_mergeM = 0;
    uint32_t m_mergeS = 0;
    uint32_t m_mergeC = 0;
    int32_t m_recycleStrategy = 0;
    union {
        float ratio;
        int32_t count;
    } m_recycleParam{};
    std::string m_logLevel;
    uint32_t m_recreateRecords = 0;
    uint32_t m_recreateDelPercent = 0;
    std::string m_filePath;
};

// The process-wide record, set before the entry runs (tests set it themselves).
extern CGlobalConfig* g_pGlobalConfig;

} // namespace cs::utility
