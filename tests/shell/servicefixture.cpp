#include "servicefixture.h"

#include "core/basario.h"

ServiceTest::ServiceTest() {
    sim.setBaud(0);
    sim.setReconnectDelay(0);
    sim.setReadyDelay(0);
    sim.setEngine(SimUnit::Engine::Idle);
    EXPECT_TRUE(BindBasarioLibrary());
    EXPECT_TRUE(link()->Connect());
    EXPECT_TRUE(
        data->Transfer(kTransferFileToImage | kTransferImageToUnit, "", 18, kGroupAll, false));
    FreeBasarioLibrary();
    sim.setNeverConfigured(false);
    data->SetModified(false);
}

void ServiceTest::readUnit() {
    ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false));
}

std::vector<std::string> ServiceTest::calls(const std::vector<std::string>& prefixes) const {
    std::vector<std::string> found;
    for (const std::string& call : sim.callLog())
        for (const std::string& p : prefixes)
            if (call.rfind(p, 0) == 0) {
                found.push_back(call);
                break;
            }
    return found;
}
