#include "support_gui/GuiTestEnvironment.h"

#include "support/EnvironmentVariable.h"
#include "support_gui/TestDisplay.h"

#include <gtest/gtest.h>


namespace
{
    juce::File testHomeRoot()
    {
        static const auto root = juce::File::createTempFile ("dremlor-test-home");
        return root;
    }

    /** A runtime folder of this test process's own: an application started by one
        test process must not hear (or answer) the instance notices of another.
    */
    juce::File testRuntimeFolder()
    {
        static const auto folder = juce::File::createTempFile ("rt");
        return folder;
    }

    class Environment  : public ::testing::Environment
    {
    public:
        void SetUp() override
        {
            GuiTestEnvironment::useFreshHome();
            testRuntimeFolder().createDirectory();
            EnvironmentVariable::set ("XDG_RUNTIME_DIR", testRuntimeFolder().getFullPathName().toRawUTF8());
            TestDisplay::prepare();
            initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        }

        void TearDown() override
        {
            initialiser.reset();
            testHomeRoot().deleteRecursively();
            testRuntimeFolder().deleteRecursively();
        }

    private:
        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> initialiser;
    };
}

juce::File GuiTestEnvironment::useFreshHome()
{
    static int counter = 0;

    const auto home = testHomeRoot().getChildFile (juce::String (++counter));
    home.createDirectory();

    // The application-data folder follows HOME on Linux and APPDATA on Windows; each
    // system ignores the other's variable.
    EnvironmentVariable::set ("HOME", home.getFullPathName().toRawUTF8());
    EnvironmentVariable::unset ("XDG_CONFIG_HOME");
    EnvironmentVariable::set ("APPDATA", home.getChildFile ("AppData").getChildFile ("Roaming")
                                            .getFullPathName().toRawUTF8());
    return home;
}

bool GuiTestEnvironment::registerWithGoogleTest()
{
    ::testing::AddGlobalTestEnvironment (new Environment());
    return true;
}
