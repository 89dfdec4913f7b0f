// TEMPORARY: replaced by the trace runner.
namespace k7::sim {}
