// The profile store's cases on the pugixml adapter.
#include "settings/pugixml/pugixml_dom.h"
#include "tests/profile_store_cases.h"

namespace k7::test {
namespace {

struct PugiXmlAdapter {
    XmlDomFactory& factory() { return xml; }
    PugiXmlDomFactory xml;
};

INSTANTIATE_TYPED_TEST_SUITE_P(PugiXml, ProfileStoreCases, PugiXmlAdapter);

}  // namespace
}  // namespace k7::test
