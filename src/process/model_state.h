#pragma once
// ModelState: the one record of model variables of a run. The forms and
// routines of one run share one instance by reference; every field is zero
// (strings empty, counts 0) when it is created.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ecology/ecology_state.h"
#include "ewr/ewr_state.h"
#include "floods/flood_state.h"
#include "hydraulics/hydraulics_state.h"
#include "hydrology/hydrology_state.h"
#include "model/site_inputs.h"

namespace oewr {

namespace hostdb {
class Ttxtab;
}

// The model state of a run, by parts: what the request read for its site
// and each sub-model's results. A step is given only the parts it reads and
// writes (each sub-model names them in its state header).
struct ModelState {
  SiteInputs site;
  hydrology::HydrologyState hydrology;
  hydraulics::HydraulicsState hydraulics;
  ecology::EcologyState ecology;
  floods::FloodState floods;
  ewr::EwrState ewr;

  // The host tables of the process (not owned).
  hostdb::Ttxtab* hostTables = nullptr;

  // The report: absent until the hydrology window creates it.
  std::optional<std::vector<std::string>> reportLines;
};

// Creates a zero-filled state on the heap (it holds several large arrays).
std::unique_ptr<ModelState> makeModelState();

// Why the channel of the last hydraulics run cannot carry the critical
// months' maximum baseflows: one of them is not below the largest discharge
// of its stages (the channel full), so no stage holds it and the ecological,
// flood and final analyses have nothing to stand on. Says what to check.
// nullopt when the channel carries them, or before a hydraulics run.
std::optional<std::string> channelCapacityShortfall(const ModelState& state);

// Brings the state back to what a fresh program start holds before a request
// is read, keeping the process identity (ini file, data directory, database
// name, host tables) and the random stream of the synthetic sections. The
// report is kept only when `keepReport` (the same inputs are read again).
void clearRequestData(ModelState& state, bool keepReport);

}  // namespace oewr
