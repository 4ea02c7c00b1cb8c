#include "inventory/view.h"

#include <array>

#include "inventory/device_view.h"
#include "inventory/driver_files.h"
#include "inventory/driver_packages.h"
#include "inventory/record_view.h"
#include "inventory/service_view.h"

std::string DisplayText(std::string_view stored) {
  const std::size_t semicolon = stored.find(';');
  if (!stored.starts_with('@') || semicolon == stored.npos) return std::string(stored);
  std::string_view text = stored.substr(semicolon + 1);
  const std::size_t list = text.rfind(";(");
  if (list == text.npos || !text.ends_with(')')) return std::string(text);
  std::vector<std::string_view> inserts;
  for (std::string_view items = text.substr(list + 2, text.size() - list - 3);;) {
    const std::size_t comma = items.find(',');
    inserts.push_back(items.substr(0, comma));
    if (comma == items.npos) break;
    items.remove_prefix(comma + 1);
  }
  text = text.substr(0, list);
  std::string shown;
  for (std::size_t at = 0; at < text.size(); ++at) {
    std::size_t digits = at + 1;
    std::size_t number = 0;
    while (text[at] == '%' && digits < text.size() && text[digits] >= '0' && text[digits] <= '9' &&
           digits - at <= 2) {
      number = number * 10 + static_cast<std::size_t>(text[digits++] - '0');
    }
    if (number >= 1 && number <= inserts.size()) {
      shown += inserts[number - 1];
      at = digits - 1;
    } else {
      shown += text[at];
    }
  }
  return shown;
}

std::span<const ViewSchema> Views() {
  static const std::array<ViewSchema, 5> views{RecordsView(), DevicesView(), ServicesView(),
                                               PackagesView(), FilesView()};
  return views;
}

const ViewSchema* FindView(std::string_view name) {
  for (const ViewSchema& view : Views()) {
    if (view.name == name) return &view;
  }
  return nullptr;
}

std::size_t FieldIndex(const ViewSchema& view, std::string_view field) {
  std::size_t i = 0;
  while (i < view.fields.size() && view.fields[i] != field) ++i;
  return i;
}
