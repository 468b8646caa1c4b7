.pragma library
.import "qrc:/common/CheckDeviceType.js" as Shared
// The device-type script under the scope set's name: the one in the common folder.
var cubrixModels = Shared.cubrixModels, monitorModels = Shared.monitorModels, ktModels = Shared.ktModels,
    rvModels = Shared.rvModels, rvqModels = Shared.rvqModels, rvqModelCode = Shared.rvqModelCode,
    isCubrix = Shared.isCubrix, isMonitor = Shared.isMonitor, isMonitor2 = Shared.isMonitor2,
    isKTseries = Shared.isKTseries, isRVseries = Shared.isRVseries, isRVQseries = Shared.isRVQseries;
