#include "platform/host/xml/observed_xml.h"

#include "platform/host/utf8.h"

namespace platform::host {

namespace {

// One loaded document and those who hear of it; released with its last node.
class Watched {
 public:
  Watched(LoadedDocument document, const std::vector<XmlListener*>& listeners)
      : document_(std::move(document)), listeners_(listeners) {
    for (XmlListener* listener : listeners_) listener->Loaded(document_);
  }
  ~Watched() {
    for (XmlListener* listener : listeners_) listener->Released(document_);
  }
  Watched(const Watched&) = delete;
  Watched& operator=(const Watched&) = delete;

  template <typename Event>
  void Tell(Event event) const {
    for (XmlListener* listener : listeners_) event(*listener, document_);
  }

 private:
  LoadedDocument document_;
  const std::vector<XmlListener*>& listeners_;
};

class ObservedNode final : public XmlNode {
 public:
  ObservedNode(std::shared_ptr<const Watched> watched, std::unique_ptr<XmlNode> node)
      : watched_(std::move(watched)), node_(std::move(node)), index_(OutlineIndexOf(*node_)) {}

  static std::unique_ptr<XmlNode> Wrap(const std::shared_ptr<const Watched>& watched, std::unique_ptr<XmlNode> node) {
    if (!node) return nullptr;
    return std::make_unique<ObservedNode>(watched, std::move(node));
  }

  std::wstring NodeName() const override {
    Tell([&](XmlListener& l, const LoadedDocument& d) { l.Named(d, index_); });
    return node_->NodeName();
  }
  std::unique_ptr<XmlNode> SelectSingleNode(std::wstring_view path) const override {
    std::unique_ptr<XmlNode> found = node_->SelectSingleNode(path);
    const int index = found ? OutlineIndexOf(*found) : -1;
    Tell([&](XmlListener& l, const LoadedDocument& d) { l.Searched(d, index_, index); });
    return Wrap(watched_, std::move(found));
  }
  std::vector<std::unique_ptr<XmlNode>> SelectNodes(std::wstring_view path) const override {
    std::vector<std::unique_ptr<XmlNode>> selected = node_->SelectNodes(path);
    Tell([&](XmlListener& l, const LoadedDocument& d) { l.Searched(d, index_, -1); });
    for (std::unique_ptr<XmlNode>& node : selected) {
      const int index = OutlineIndexOf(*node);
      Tell([&](XmlListener& l, const LoadedDocument& d) { l.Searched(d, index_, index); });
      node = Wrap(watched_, std::move(node));
    }
    return selected;
  }
  std::wstring Text() const override {
    std::wstring text = node_->Text();
    Tell([&](XmlListener& l, const LoadedDocument& d) { l.TextRead(d, index_, text); });
    return text;
  }
  bool PutText(std::wstring_view text) override { return node_->PutText(text); }
  bool GetAttribute(std::wstring_view name, std::wstring& value) const override {
    const bool present = node_->GetAttribute(name, value);
    const std::string asked = ToUtf8(name);
    Tell([&](XmlListener& l, const LoadedDocument& d) {
      l.AttributeAsked(d, index_, asked, present ? &value : nullptr);
    });
    return present;
  }
  bool HasChildNodes() const override { return node_->HasChildNodes(); }
  std::vector<std::unique_ptr<XmlNode>> ChildNodes() const override {
    Tell([&](XmlListener& l, const LoadedDocument& d) { l.Listed(d, index_); });
    std::vector<std::unique_ptr<XmlNode>> children = node_->ChildNodes();
    for (std::unique_ptr<XmlNode>& child : children) child = Wrap(watched_, std::move(child));
    return children;
  }

 private:
  // Only the outline's elements are told of.
  template <typename Event>
  void Tell(Event event) const {
    if (index_ >= 0) watched_->Tell(event);
  }

  std::shared_ptr<const Watched> watched_;
  std::unique_ptr<XmlNode> node_;
  int index_;
};

class ObservedDocument final : public XmlDocument {
 public:
  ObservedDocument(std::shared_ptr<const Watched> watched, std::unique_ptr<XmlDocument> document)
      : watched_(std::move(watched)), document_(std::move(document)) {}

  std::unique_ptr<XmlNode> DocumentElement() const override {
    return ObservedNode::Wrap(watched_, document_->DocumentElement());
  }
  bool Save(std::wstring_view path) override { return document_->Save(path); }

 private:
  std::shared_ptr<const Watched> watched_;
  std::unique_ptr<XmlDocument> document_;
};

}  // namespace

std::unique_ptr<XmlDocument> ObservedXml::Load(std::wstring_view path) {
  XmlLoadFacts facts;
  std::unique_ptr<XmlDocument> document = below_.Load(path, facts);
  if (!document) {
    if (facts.problem) {
      for (XmlListener* listener : listeners_) listener->NotLoaded(path, *facts.problem);
    }
    return nullptr;
  }
  auto watched =
      std::make_shared<const Watched>(LoadedDocument{std::wstring(path), std::move(facts.outline)}, listeners_);
  return std::make_unique<ObservedDocument>(std::move(watched), std::move(document));
}

}  // namespace platform::host
