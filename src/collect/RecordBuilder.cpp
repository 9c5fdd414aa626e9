#include "collect/RecordBuilder.h"

#include <cstring>

#include "collect/CollectType.h"
#include "collect/LogText.h"
#include "collect/NameTables.h"
#include "content/FileType.h"
#include "parse/FileIdentifier.h"
#include "parse/TextSearch.h"
#include "parse/TrashLists.h"
#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/StringConvertor.h"

namespace cs::collection {

namespace {

// Applications whose uploads are indexed by their text alone.
const uint32_t kSearchApp = 3858868786u;
const uint32_t kPlainUploadApps[] = {277180137u, 596060734u};

const char kLogPrefix[] = "/qvlog/";
const size_t kLogPrefixSize = sizeof(kLogPrefix) - 1;

const CRecordClass kWeb = {'U', 'W', COLLECT_W, "web"};
const CRecordClass kSearch = {'U', 'S', COLLECT_S, "search"};
const CRecordClass kUpload = {'P', 'U', COLLECT_U, "httpup"};
const CRecordClass kMail = {'M', 'M', COLLECT_M, "mail"};
const CRecordClass kChat = {'C', 'C', COLLECT_C, "chat"};

struct Entity {
    const char* text;
    char character;
};
const Entity kEntities[] = {{"&quot;", '"'}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&nbsp;", ' '}};

bool IsTrashRequest(const std::string& url)
{
    const char* end = url.data() + url.size();
    for (const char* host : parse::kTrashRequestHosts) {
        if (parse::FindNoCase(url.data(), end, host) != end)
            return true;
    }
    return false;
}

bool IsPlainUploadApp(uint32_t appCrc)
{
    for (uint32_t app : kPlainUploadApps) {
        if (app == appCrc)
            return true;
    }
    return false;
}

// True when a component of `path` is "..", which would lead out of the tree.
bool ClimbsOut(const std::string& path)
{
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = path.size();
        if (path.compare(start, end - start, "..") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

const CRecordClass* ClassifyRecord(int privateType, uint32_t appCrc)
{
    switch (privateType) {
    case 1:
    case 16:
        return appCrc == kSearchApp ? &kSearch : &kWeb;
    case 2:
        return &kUpload;
    case 7:
    case 8:
        return &kMail;
    case 10:
    case 11:
    case 12:
    case 15:
        return &kChat;
    default:
        return nullptr;
    }
}

std::string RecordDate(const std::string& table, const std::string& time)
{
    // table: "A" + YYYYMMDD
    return table.substr(1, 4) + "-" + table.substr(5, 2) + "-" + table.substr(7, 2) + " " + time;
}

std::string StripUploadMarkup(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '<') {
            size_t close = text.find('>', i);
            if (close != std::string::npos) {
                i = close + 1;
                continue;
            }
        } else if (c == '&') {
            const Entity* pFound = nullptr;
            for (const Entity& entity : kEntities) {
                if (text.compare(i, std::strlen(entity.text), entity.text) == 0) {
                    pFound = &entity;
                    break;
                }
            }
            if (pFound) {
                out += pFound->character;
                i += std::strlen(pFound->text);
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

std::string CRecordBuilder::attachPath(const std::string& path) const
{
    if (path.size() <= kLogPrefixSize || path.compare(0, kLogPrefixSize, kLogPrefix) != 0)
        throw CBadRecord("path.size() > orig_dirstr_size && memcmp(path.c_str(), orig_dirstr, orig_dirstr_size) == 0");
    std::string rest = path.substr(kLogPrefixSize);
    if (ClimbsOut(rest))
        throw CBadRecord("file path leads out of the log tree: " + LogText(path));
    std::string adjusted = m_root + rest;
    size_t name = adjusted.rfind('/') + 1;   // the root ends with "/"
    std::string file = adjusted.substr(0, name) + "e_" + adjusted.substr(name);
    if (!platform::Env().pathAccessible(file))
        file = adjusted.substr(0, name) + "n_" + adjusted.substr(name);
    CS_LOG_DEBUG("attach file path adjusted to %s", LogText(file).c_str());
    return file;
}

void CRecordBuilder::build(const std::string& table, const CRecordRow& record, const CRecordClass& recordClass,
                           const CContentRow& content, CRecordDocument& doc)
{
    doc = CRecordDocument();
    doc.kind = static_cast<uint16_t>(recordClass.kind);
    doc.type = recordClass.word;
    doc.user = utility::LowerAsciiLetters(m_names.user(record.userCrc));
    doc.group = m_names.group(record.groupCrc);
    doc.date = RecordDate(table, record.recordTime);
    doc.path = utility::Format("%c/%s/%u", recordClass.kind, table.c_str() + 1, content.autoId);
    doc.fileType = content::filetype::UNKNOWN;
    if (recordClass.kind != 'M')
        m_values.parse(content.result);
    switch (recordClass.kind) {
    case 'C':
        buildChat(record, doc);
        break;
    case 'W':
        buildWeb(record, content, doc);
        break;
    case 'S':
        buildSearch(record, doc);
        break;
    case 'U':
        buildUpload(record, content, doc);
        break;
    default:
        buildMail(content, doc);
        break;
    }
}

void CRecordBuilder::buildChat(const CRecordRow& record, CRecordDocument& doc)
{
    doc.text = m_values.value(record.privateType == 15 ? "im_content" : "msg");
}

void CRecordBuilder::buildWeb(const CRecordRow& record, const CContentRow& content, CRecordDocument& doc)
{
    CS_ASSERT_TEXT(record.privateType == 1, "FALSE");
    doc.text = m_values.value("title");
    if (!content.path.empty()) {
        doc.file = attachPath(content.path);
        doc.fileType = content::filetype::HTML;
    }
}

void CRecordBuilder::buildSearch(const CRecordRow& record, CRecordDocument& doc)
{
    CS_ASSERT_TEXT(record.privateType == 1, "FALSE");
    doc.text = m_values.value("url");
    doc.fileType = content::filetype::SEARCH;
}

void CRecordBuilder::buildUpload(const CRecordRow& record, const CContentRow& content, CRecordDocument& doc)
{
    bool trash = IsTrashRequest(m_values.value("url"));
    if (!trash)
        doc.text = StripUploadMarkup(m_values.value("title") + "\n" + m_values.value("body"));
    if (IsPlainUploadApp(record.appCrc) || trash || content.path.empty())
        return;
    std::string file = attachPath(content.path);
    // Without its file an upload is still indexed by its text.
    if (!platform::Env().pathAccessible(file))
        return;
    doc.file = file;
    doc.fileType = parse::IdentifyFileType(file.c_str());
}

void CRecordBuilder::buildMail(const CContentRow& content, CRecordDocument& doc)
{
    if (content.path.empty())
        return;
    doc.file = attachPath(content.path);
    doc.fileType = content::filetype::EML;
}

} // namespace cs::collection
