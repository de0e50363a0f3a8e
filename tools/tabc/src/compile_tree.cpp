// The decision tree: one node per line, in node order (the first is node 0).
//   [label:] test TYPE P1 P2 HIGHEST CHILD    inner node; CHILD is a label or a
//                                             node number (branch b leads to
//                                             CHILD + b)
//   [label:] leaf CM GHJ [CR]                 leaf
#include <map>

#include "grouper/tables.h"
#include "source.h"

namespace pmsi::tabc::detail {
namespace {

namespace L = table_layout;
constexpr std::uint32_t kMaxNodes = 32768;  // node indexes are signed 16-bit

struct Node {
  int line = 0;
  std::uint8_t bytes[L::kTreeNodeSize] = {};
  std::string child_label;  // resolved after all lines are read
};

}  // namespace

std::optional<Bytes> compile_tree(const std::vector<Line>& lines, const Directives& d, Errors& errors) {
  std::uint32_t record = d.record_size.value_or(L::kTreeRecordMin);
  if (record < L::kTreeRecordMin || record > L::kTreeRecordMax)
    errors.at(1, "record_size of the tree must be 6 to 12");

  std::map<std::string, std::uint32_t> labels;
  std::vector<Node> nodes;
  for (const Line& line : lines) {
    const auto& t = line.tokens;
    if (nodes.size() == kMaxNodes) {
      errors.at(line.number, "node index beyond 32767");
      break;
    }
    if (!line.label.empty() && !labels.emplace(line.label, static_cast<std::uint32_t>(nodes.size())).second)
      errors.at(line.number, "label \"" + line.label + "\" defined twice");
    Node node;
    node.line = line.number;
    if (!t.empty() && t[0] == "test") {
      if (t.size() != 6) {
        errors.at(line.number, "expected: test TYPE P1 P2 HIGHEST CHILD");
        continue;
      }
      auto type = parse_number(t[1], 19), p1 = parse_number(t[2], 255), p2 = parse_number(t[3], 255);
      auto highest = parse_number(t[4], 255);
      if (!type) errors.at(line.number, "test type must be 0 to 19");
      if (!p1 || !p2) errors.at(line.number, "P1 and P2 must be 0 to 255");
      if (!highest || *highest == 0) errors.at(line.number, "highest branch must be 1 to 255");
      node.bytes[L::kNodeTestType] = static_cast<std::uint8_t>(type.value_or(0));
      node.bytes[L::kNodeP1] = static_cast<std::uint8_t>(p1.value_or(0));
      node.bytes[L::kNodeP2] = static_cast<std::uint8_t>(p2.value_or(0));
      node.bytes[L::kNodeHighestBranch] = static_cast<std::uint8_t>(highest.value_or(1));
      if (auto child = parse_number(t[5], 65535)) {
        node.bytes[L::kNodeChildIndex] = static_cast<std::uint8_t>(*child >> 8);
        node.bytes[L::kNodeChildIndex + 1] = static_cast<std::uint8_t>(*child);
      } else {
        node.child_label = t[5];
      }
    } else if (!t.empty() && t[0] == "leaf") {
      if (t.size() != 3 && t.size() != 4) {
        errors.at(line.number, "expected: leaf CM GHJ [CR]");
        continue;
      }
      auto cm = parse_number(t[1], 99), ghj = parse_number(t[2], 999);
      auto cr = t.size() == 4 ? parse_number(t[3], 255) : std::optional<std::uint32_t>(0);
      if (!cm) errors.at(line.number, "CM must be 0 to 99");
      if (!ghj) errors.at(line.number, "GHJ must be 0 to 999");
      if (!cr) errors.at(line.number, "CR must be 0 to 255");
      node.bytes[L::kNodeP1] = static_cast<std::uint8_t>(cr.value_or(0));
      node.bytes[L::kNodeP2] = static_cast<std::uint8_t>(cm.value_or(0));
      node.bytes[L::kNodeChildIndex] = static_cast<std::uint8_t>(ghj.value_or(0) >> 8);
      node.bytes[L::kNodeChildIndex + 1] = static_cast<std::uint8_t>(ghj.value_or(0));
    } else {
      errors.at(line.number, "expected a node: test ... or leaf ...");
      continue;
    }
    nodes.push_back(std::move(node));
  }
  if (nodes.empty()) errors.at(1, "the tree has no node");
  for (Node& node : nodes) {
    if (node.child_label.empty()) continue;
    auto it = labels.find(node.child_label);
    if (it == labels.end()) {
      errors.at(node.line, "label \"" + node.child_label + "\" is never defined");
      continue;
    }
    node.bytes[L::kNodeChildIndex] = static_cast<std::uint8_t>(it->second >> 8);
    node.bytes[L::kNodeChildIndex + 1] = static_cast<std::uint8_t>(it->second);
  }
  if (errors.any()) return std::nullopt;

  ByteBuilder out;
  out.file_header("ARBRESSR", d.version);
  std::uint32_t start = L::kFileHeaderSize + L::kSectionHeaderSize;
  out.section_header("NOEUDS", record, static_cast<std::uint32_t>(nodes.size()) * record, start);
  for (const Node& node : nodes) {
    out.bytes.insert(out.bytes.end(), node.bytes, node.bytes + L::kTreeNodeSize);
    out.zeros(record - L::kTreeNodeSize);
  }
  out.trailer();
  return std::move(out.bytes);
}

}  // namespace pmsi::tabc::detail
