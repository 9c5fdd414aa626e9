#include "collect/DirState.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

#include "index/DocumentMap.h"
#include "store/Directory.h"
#include "store/IndexOutput.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/OsUtility.h"

namespace cs::collection {

namespace {

const char* const kHeader = "cs.files 1";
const char* const kEnd = "end";
const char* const kWayOut = "rebuild the index with csindexer -r";

// A path holds any byte but zero: backslash, tab and line feed are escaped.
void AppendEscaped(std::string& out, const std::string& path)
{
    if (path.find_first_of("\\\t\n") == std::string::npos) {
        out += path;   // the common case
        return;
    }
    for (char c : path) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
}

// The fields of one line, separated by tabs, read from the left. Fields are
// views into the file's text: a state of many thousand files is read without
// one allocation per field.
class CLineReader {
public:
    CLineReader(const char* begin, const char* end) : m_at(begin), m_end(end) {}

    bool atEnd() const { return m_at == m_end; }

    // The next field, which must be `word`.
    bool word(std::string_view word)
    {
        std::string_view field;
        return next(field) && field == word;
    }

    // The next field, a decimal number.
    bool number(int64_t& value)
    {
        std::string_view field;
        if (!next(field) || field.empty())
            return false;
        const char* end = field.data() + field.size();
        auto [stop, error] = std::from_chars(field.data(), end, value);
        return error == std::errc() && stop == end;
    }

    // The rest of the line, unescaped.
    bool path(std::string& path)
    {
        const char* escape = std::find(m_at, m_end, '\\');
        path.assign(m_at, escape);
        for (m_at = escape; m_at < m_end; ++m_at) {
            if (*m_at != '\\') {
                path += *m_at;
                continue;
            }
            if (++m_at == m_end)
                return false;
            if (*m_at == '\\')
                path += '\\';
            else if (*m_at == 't')
                path += '\t';
            else if (*m_at == 'n')
                path += '\n';
            else
                return false;
        }
        return !path.empty();
    }

private:
    bool next(std::string_view& field)
    {
        if (m_at == m_end)
            return false;
        const char* tab = std::find(m_at, m_end, '\t');
        field = std::string_view(m_at, static_cast<size_t>(tab - m_at));
        m_at = tab == m_end ? tab : tab + 1;
        return true;
    }

    const char* m_at;
    const char* m_end;
};

// Appends `value` in decimal.
void AppendNumber(std::string& text, int64_t value)
{
    char digits[24];
    auto [end, error] = std::to_chars(digits, digits + sizeof(digits), value);
    (void)error;   // 24 digits hold every int64_t
    text.append(digits, end);
}

} // namespace

void CDirState::load(store::CDirectory& directory, int64_t documents)
{
    m_files.clear();
    std::string path = directory.getFullPath(FILE_NAME);
    std::string text;
    bool opened = false;
    if (!platform::Env().readWholeFile(path, text, &opened)) {
        if (opened)
            CS_THROW("failed to read %s (%s)", path.c_str(), utility::GetLastErrorText().c_str());
        if (documents > 0)
            CS_THROW("the index in %s holds %lld documents but no %s that says which files they are: %s",
                     directory.getPath().c_str(), static_cast<long long>(documents), FILE_NAME, kWayOut);
        return;
    }

    size_t lineNumber = 0;
    auto damaged = [&]() {
        CS_THROW("file list %s is damaged at line %zu: %s", path.c_str(), lineNumber, kWayOut);
    };
    int64_t recorded = -1, entries = -1;
    const std::string endField = std::string(kEnd) + "\t";
    for (size_t at = 0; at < text.size() && entries < 0;) {
        size_t end = text.find('\n', at);
        ++lineNumber;
        if (end == std::string::npos)
            damaged();   // every line ends with a line feed
        CLineReader line(text.data() + at, text.data() + end);
        bool endLine = text.compare(at, endField.size(), endField) == 0;
        at = end + 1;
        if (lineNumber == 1) {
            if (!line.word(kHeader) || !line.number(recorded) || !line.atEnd() || recorded < 0)
                damaged();
        } else if (endLine) {
            if (!line.word(kEnd) || !line.number(entries) || !line.atEnd() || at != text.size())
                damaged();
        } else {
            int64_t doc = 0, inode = 0;
            CFile file;
            std::string name;
            if (!line.number(doc) || !line.number(file.status.size) || !line.number(file.status.modifiedNs) ||
                !line.number(inode) || !line.path(name) || doc < -1 || doc >= recorded)
                damaged();
            file.status.inode = static_cast<uint64_t>(inode);
            file.doc = static_cast<int32_t>(doc);
            // The file is written in path order: each entry goes at the end.
            size_t before = m_files.size();
            m_files.emplace_hint(m_files.end(), std::move(name), file);
            if (m_files.size() == before)
                damaged();
        }
    }
    ++lineNumber;
    if (entries < 0 || static_cast<size_t>(entries) != m_files.size())
        damaged();   // cut short
    if (recorded != documents)
        CS_THROW("%s describes an index of %lld documents, but the barrel list holds %lld: %s", path.c_str(),
                 static_cast<long long>(recorded), static_cast<long long>(documents), kWayOut);
}

void CDirState::save(store::CDirectory& directory, int64_t documents) const
{
    std::string text = utility::Format("%s\t%lld\n", kHeader, static_cast<long long>(documents));
    text.reserve(text.size() + m_files.size() * 96);
    for (const auto& [path, file] : m_files) {
        for (int64_t field : {int64_t{file.doc}, file.status.size, file.status.modifiedNs,
                              static_cast<int64_t>(file.status.inode)}) {
            AppendNumber(text, field);
            text += '\t';
        }
        AppendEscaped(text, path);
        text += '\n';
    }
    text += utility::Format("%s\t%zu\n", kEnd, m_files.size());
    std::unique_ptr<store::CIndexOutput> pOutput(directory.createOutput(std::string(FILE_NAME) + ".tmp"));
    pOutput->writeBytes(text.data(), static_cast<int64_t>(text.size()));
    pOutput->close();
}

CDirState::CFile* CDirState::find(const std::string& path)
{
    auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

void CDirState::put(const std::string& path, const platform::FileStatus& status, int32_t doc)
{
    CFile& file = m_files[path];
    file.status = status;
    file.doc = doc;
    file.seen = true;
}

size_t CDirState::keepBelow(const std::string& dir)
{
    size_t kept = 0;
    for (auto it = m_files.lower_bound(dir); it != m_files.end() && it->first.compare(0, dir.size(), dir) == 0; ++it) {
        it->second.seen = true;
        ++kept;
    }
    return kept;
}

std::vector<int32_t> CDirState::forgetUnseen(size_t& forgotten)
{
    std::vector<int32_t> documents;
    forgotten = 0;
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (it->second.seen) {
            ++it;
            continue;
        }
        if (it->second.doc >= 0)
            documents.push_back(it->second.doc);
        ++forgotten;
        it = m_files.erase(it);
    }
    return documents;
}

void CDirState::renumber(const index::CDocumentMap& documents)
{
    for (auto it = m_files.begin(); it != m_files.end();) {
        bool indexed = it->second.doc >= 0;
        if (indexed)
            it->second.doc = documents.map(it->second.doc);
        // Only a deleted document can be dropped; should this file's be, the
        // file is taken anew by the next run.
        it = indexed && it->second.doc < 0 ? m_files.erase(it) : std::next(it);
    }
}

} // namespace cs::collection
