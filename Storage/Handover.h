#pragma once

#include "Storage/Isolated.h"
#include "Storage/SimulationRecord.h"

/// A simulation read and checked in the child that opens a file, handed to the parent
/// whole, so that the parent never reads the file itself. The particles travel as the
/// universe holds them, straight into the parent's universe, without a copy in between.
namespace Handover {

void Send(Isolated::TSender& sender, const TSimulationContents& contents);

/// Reads what Send wrote into contents, with a universe that can step when steppable
/// (UniverseIO::Read). The bytes come
/// from a process that may have gone astray: every count is bounded before it sizes a read,
/// and the state is checked as a file's would be. Throws TStorageError naming the fault.
void Receive(Isolated::TReceiver& receiver, TSimulationContents& contents, bool steppable);

} // namespace Handover
