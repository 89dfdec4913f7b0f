// TEMPORARY: replaced by the jog engine.
#include "jog/jog_engine.h"
namespace k7 {
void HandleWheel(TickContext&) {}
void StopEngineJog(const Host&, JogState&) {}
}  // namespace k7
