#include "media/gst_support.h"

#include "support/event_loop.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

GstPadProbeReturn countBuffer(GstPad*, GstPadProbeInfo*, gpointer counter) {
  ++*static_cast<std::atomic<int>*>(counter);
  return GST_PAD_PROBE_OK;
}

void markGone(gpointer gone, GObject*) { *static_cast<std::atomic<bool>*>(gone) = true; }

}  // namespace

// Releasing a running pipeline stops it first: its elements are back in NULL, so
// no streaming thread is left running, and the pipeline itself is freed.
TEST(PipelineRefTest, ReleaseStopsARunningPipelineAndFreesIt) {
  media::ensureMediaFramework();
  media::PipelineRef pipeline = media::ownPipeline(
      gst_parse_launch("videotestsrc is-live=true ! fakesink name=sink sync=false", nullptr));
  ASSERT_TRUE(pipeline);
  media::GstRef<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
  std::atomic<int> buffers = 0;
  {
    media::GstRef<GstPad> pad(gst_element_get_static_pad(sink.get(), "sink"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, countBuffer, &buffers, nullptr);
  }
  std::atomic<bool> gone = false;
  g_object_weak_ref(G_OBJECT(pipeline.get()), markGone, &gone);
  ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  ASSERT_TRUE(waitUntil([&] { return buffers > 0; }));

  pipeline.reset();

  EXPECT_EQ(GST_STATE(sink.get()), GST_STATE_NULL);
  const int counted = buffers;
  runEvents(std::chrono::milliseconds(200));
  EXPECT_EQ(buffers, counted);
  // The last reference may still be held for a moment by the state change's own thread.
  EXPECT_TRUE(waitUntil([&] { return gone.load(); }));
}

// A new element's floating reference becomes the holder's only one, so the
// holder's release frees it; a failed creation gives an empty holder.
TEST(GstRefTest, OwningANewElementSinksItsFloatingReference) {
  media::ensureMediaFramework();
  media::GstRef<GstElement> element = media::own(gst_element_factory_make("fakesink", nullptr));
  ASSERT_TRUE(element);
  EXPECT_FALSE(g_object_is_floating(element.get()));
  EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(element.get()), 1);

  media::PipelineRef pipeline = media::ownPipeline(gst_pipeline_new(nullptr));
  ASSERT_TRUE(pipeline);
  EXPECT_FALSE(g_object_is_floating(pipeline.get()));
  EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(pipeline.get()), 1);

  EXPECT_FALSE(media::own(gst_element_factory_make("no-such-element", nullptr)));
  EXPECT_FALSE(media::ownPipeline(nullptr));
}
