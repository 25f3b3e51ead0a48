#include "menu/submodel_windows.h"

namespace oewr {

std::unique_ptr<ModalForm> ModelWindows::create(SubModel which, RunContext&) {
  switch (which) {
    case SubModel::Hydrology: return std::make_unique<PlaceholderForm>("Orvane EWR Model : Hydrology Sub-model");
    case SubModel::Hydraulics: return std::make_unique<PlaceholderForm>("Orvane EWR Model : Hydraulics Sub-model");
    case SubModel::Ecology: return std::make_unique<PlaceholderForm>("Orvane EWR Model : Ecological Sub-model");
    case SubModel::Floods: return std::make_unique<PlaceholderForm>("Orvane EWR Model : Flood Requirements");
    case SubModel::Ewr: return std::make_unique<PlaceholderForm>("Orvane EWR Model : EWR Final Analysis");
  }
  return nullptr;
}

}  // namespace oewr
