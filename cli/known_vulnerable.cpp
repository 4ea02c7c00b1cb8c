#include "cli/known_vulnerable.h"

#include <nlohmann/json.hpp>

#include "common/exception.h"

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Every run of exactly 40 hex digits in text, in lowercase (a CSV cell may hold several).
std::vector<std::string> Sha1s(std::string_view text) {
  std::vector<std::string> found;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = at;
    while (end < text.size() && IsHexDigit(text[end])) ++end;
    if (end - at == 40) {
      std::string& sha1 = found.emplace_back(text.substr(at, 40));
      for (char& c : sha1) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    at = end == at ? at + 1 : end;
  }
  return found;
}

// One entry's SHA-1s under its label.
void AddEntry(KnownVulnerableList& list, std::string_view category, std::string_view id,
              const std::vector<std::string>& sha1s) {
  if (sha1s.empty()) return;
  std::string label(category);
  if (!label.empty() && !id.empty()) label += ' ';
  label += id;
  const auto entry = static_cast<std::uint32_t>(list.entries.size());
  list.entries.push_back(std::move(label));
  for (const std::string& sha1 : sha1s) list.sha1Entry.emplace(sha1, entry);
}

// Reads the JSON list as it streams past, keeping only each entry's Id, Category and its
// samples' SHA1s: the full list is tens of megabytes.
class ListSax final : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit ListSax(KnownVulnerableList& list) : list_(list) {}

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return Top(); }
  bool number_unsigned(number_unsigned_t) override { return Top(); }
  bool number_float(number_float_t, const string_t&) override { return Top(); }
  bool binary(binary_t&) override { return true; }
  bool string(string_t& text) override {
    if (!Top()) return false;
    if (depth_ == 2 && entryKey_ == "Id") id_ = text;
    if (depth_ == 2 && entryKey_ == "Category") category_ = text;
    if (depth_ == 4 && inSamples_ && sampleKey_ == "SHA1") {
      for (std::string& sha1 : Sha1s(text)) {
        if (sha1.size() == text.size()) sha1s_.push_back(std::move(sha1));
      }
    }
    return true;
  }
  bool start_object(std::size_t) override {
    if (!Top()) return false;
    if (++depth_ == 2) {
      id_.clear();
      category_.clear();
      sha1s_.clear();
    }
    return true;
  }
  bool key(string_t& name) override {
    if (depth_ == 2) entryKey_ = name;
    if (depth_ == 4) sampleKey_ = name;
    return true;
  }
  bool end_object() override {
    if (depth_-- == 2) AddEntry(list_, category_, id_, sha1s_);
    if (depth_ == 3) sampleKey_.clear();
    return true;
  }
  bool start_array(std::size_t) override {
    started_ = true;
    if (depth_++ == 2 && entryKey_ == "KnownVulnerableSamples") inSamples_ = true;
    return true;
  }
  bool end_array() override {
    if (--depth_ == 2) inSamples_ = false;
    return true;
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception&) override {
    error_ = "not valid JSON at byte " + std::to_string(position);
    return false;
  }

  const std::string& Error() const { return error_; }

 private:
  // Anything but an array at the top is not the list.
  bool Top() {
    if (started_) return true;
    error_ = "not a JSON array of entries";
    return false;
  }

  KnownVulnerableList& list_;
  bool started_ = false;
  bool inSamples_ = false;
  int depth_ = 0;
  std::string entryKey_, sampleKey_, id_, category_, error_;
  std::vector<std::string> sha1s_;
};

// The records of RFC 4180 text: fields split at commas, quoted ones with "" for a quote, lines
// ended by CR LF or LF.
std::vector<std::vector<std::string>> CsvRecords(std::string_view text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (any || !field.empty()) record.push_back(std::move(field));
      if (!record.empty()) records.push_back(std::move(record));
      record.clear();
      field.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.empty()) record.push_back(std::move(field));
  if (!record.empty()) records.push_back(std::move(record));
  return records;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return upper;
}

void ParseCsv(std::string_view text, KnownVulnerableList& list) {
  const auto records = CsvRecords(text);
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t id = kNone, category = kNone, sha1 = kNone;
  for (std::size_t i = 0; !records.empty() && i < records[0].size(); ++i) {
    const std::string name = Upper(records[0][i]);
    if (name == "ID") id = i;
    if (name == "CATEGORY") category = i;
    if (name == "KNOWNVULNERABLESAMPLES_SHA1" || name == "SHA1") sha1 = i;
  }
  if (sha1 == kNone) throw Exception("neither JSON nor CSV with a SHA1 column");
  const auto cell = [](const std::vector<std::string>& record, std::size_t i) {
    return i < record.size() ? std::string_view(record[i]) : std::string_view();
  };
  for (std::size_t r = 1; r < records.size(); ++r) {
    AddEntry(list, cell(records[r], category), cell(records[r], id), Sha1s(cell(records[r], sha1)));
  }
}

}  // namespace

KnownVulnerableList ParseKnownVulnerable(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == text.npos) throw Exception("empty file");
  KnownVulnerableList list;
  if (text[first] == '[' || text[first] == '{') {
    ListSax sax(list);
    if (!nlohmann::json::sax_parse(text.begin(), text.end(), &sax)) throw Exception(sax.Error());
  } else {
    ParseCsv(text, list);
  }
  if (list.sha1Entry.empty()) throw Exception("no sample's SHA1 in it");
  return list;
}

std::size_t MarkKnownVulnerable(const KnownVulnerableList& list, const ViewSchema& view,
                                std::vector<ViewRow>& rows) {
  const std::size_t sha1 = FieldIndex(view, "sha1");
  const std::size_t mark = FieldIndex(view, "known_vulnerable");
  std::size_t marked = 0;
  for (ViewRow& row : rows) {
    if (sha1 >= row.size() || mark >= row.size()) continue;
    if (const auto found = list.sha1Entry.find(row[sha1]); found != list.sha1Entry.end()) {
      row[mark] = list.entries[found->second];
      ++marked;
    }
  }
  return marked;
}
