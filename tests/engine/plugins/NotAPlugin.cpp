// A shared library with no plugin metadata.
extern "C" int notAPluginAnswer()
{
    return 42;
}
