// TEMPORARY: replaced by the pugixml adapter.
namespace k7 {}
