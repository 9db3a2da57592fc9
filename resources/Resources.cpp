// The library exists to carry the embedded pictures; Qt links them in as objects.
namespace vlx_resources {
int Anchor = 0;
}
